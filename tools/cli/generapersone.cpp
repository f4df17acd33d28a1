#include "generapersone.h"

#include <random>

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "cp1252.h"
#include "elencocomuni.h"
#include "tabellacodici.h"

namespace {

const char *const kCognomi[] = {
    "Rossi",      "Russo",     "Ferrari",  "Esposito",   "Bianchi",   "Romano",     "Colombo",  "Ricci",      "Marino",
    "Greco",      "Bruno",     "Gallo",    "Conti",      "De Luca",   "Mancini",    "Costa",    "Giordano",   "Rizzo",
    "Lombardi",   "Moretti",   "Barbieri", "Fontana",    "Santoro",   "Mariani",    "Rinaldi",  "Caruso",     "Ferrara",
    "Galli",      "Martini",   "Leone",    "Longo",      "Gentile",   "Martinelli", "Vitale",   "Lombardo",   "Serra",
    "Coppola",    "De Santis", "D'Angelo", "Marchetti",  "Parisi",    "Villa",      "Conte",    "Ferraro",    "Ferri",
    "Fabbri",     "Bianco",    "Marini",   "Grasso",     "Valentini", "Messina",    "Sala",     "De Angelis", "Gatti",
    "Pellegrini", "Palumbo",   "Sanna",    "Farina",     "Rizzi",     "Monti",      "Cattaneo", "Morelli",    "Amato",
    "Silvestri",  "Mazza",     "Testa",    "Dell'Acqua", "Lo Russo",  "Fo",         "Xu",       "Niccolò",    "Pellè",
    "Mussò",      "Cossù",     "Forlì",    "Zoè"};
const char *const kNomi[] = {
    "Mario",      "Giuseppe",   "Giovanni",   "Antonio",  "Francesco", "Luigi",   "Paolo",    "Marco",    "Andrea",
    "Roberto",    "Stefano",    "Alessandro", "Luca",     "Giorgio",   "Massimo", "Davide",   "Matteo",   "Lorenzo",
    "Gianfranco", "Pier Paolo", "Gian Luca",  "Leonardo", "Riccardo",  "Tommaso", "Federico", "Maria",    "Anna",
    "Giuseppina", "Rosa",       "Angela",     "Giovanna", "Teresa",    "Lucia",   "Carmela",  "Caterina", "Francesca",
    "Anna Maria", "Paola",      "Laura",      "Giulia",   "Chiara",    "Sara",    "Martina",  "Alessia",  "Sofia",
    "Aurora",     "Ginevra",    "Beatrice",   "Alice",    "Emma",      "Giorgia", "Io",       "Nicolò",   "Niccolò",
    "Noè",        "Mosè",       "Gioele",     "Zoe",      "Irene",     "Elena"};

QByteArray inCodifica(const QString &testo, Csv::Codifica codifica)
{
    return Csv::codifica(testo, codifica);
}

} // namespace

namespace Generatore {

bool persone(const QString &codesDat, const Opzioni &opzioni, const Scrivi &scrivi)
{
    const ElencoComuni::Caricamento caricamento = ElencoComuni::caricacomuni(codesDat);
    const ElencoComuni::Elenco &elenco = caricamento.elenco;
    if (caricamento.errore != 0 || elenco.nomi.isEmpty())
        return false;
    // The names once per case, already in the table's bytes: the generator must not be the slow part.
    std::vector<QByteArray> cognomi, nomi;
    for (const char *c : kCognomi) {
        const QString s = QString::fromUtf8(c);
        for (const QString &v : {s, s.toUpper(), s.toLower()})
            cognomi.push_back(inCodifica(v, opzioni.codifica));
    }
    for (const char *n : kNomi) {
        const QString s = QString::fromUtf8(n);
        for (const QString &v : {s, s.toUpper(), s.toLower()})
            nomi.push_back(inCodifica(v, opzioni.codifica));
    }
    // The days each municipality existed under its name and province, from codes.cf beside codes.dat when it
    // carries them: every person is born on one of them, so that the rows are clean.
    Fiscale::TabellaCodici tabella;
    const bool conGiorni =
        tabella.carica(QFileInfo(codesDat).dir().filePath(QStringLiteral("codes.cf"))) == 0 && tabella.conGiorni();
    std::vector<std::pair<QByteArray, QByteArray>> chiavi; // name and sigla in the table's bytes
    std::vector<QByteArray> comuni;
    for (int i = 0; i < elenco.nomi.size(); ++i) {
        const QString nome = elenco.nomi[i];
        // Upper case as listed, or as people type it.
        const QString scritto =
            i % 3 == 0 ? nome : (i % 3 == 1 ? nome.toLower() : nome.left(1) + nome.mid(1).toLower());
        comuni.push_back(inCodifica(scritto, opzioni.codifica) + opzioni.separatore +
                         inCodifica(i % 2 ? elenco.elencosigle[i] : elenco.elencosigle[i].toLower(), opzioni.codifica));
        chiavi.emplace_back(Cp1252::codifica(nome), Cp1252::codifica(elenco.elencosigle[i]));
    }

    std::mt19937 caso(opzioni.seme);
    const char s = opzioni.separatore;
    QByteArray blocco =
        QByteArray("cognome") + s + "nome" + s + "sesso" + s + "data_nascita" + s + "comune" + s + "provincia\n";
    const qint64 primo = QDate(1900, 1, 1).toJulianDay(), ultimo = QDate(2025, 12, 31).toJulianDay();
    for (qint64 r = 0; r < opzioni.righe; ++r) {
        blocco += cognomi[caso() % cognomi.size()];
        blocco += s;
        blocco += nomi[caso() % nomi.size()];
        blocco += s;
        blocco += caso() % 2 ? 'M' : 'F';
        blocco += s;
        int a, m, g;
        const auto &[nomeComune, sigla] = chiavi[size_t(r % qint64(comuni.size()))];
        for (int prova = 0;; ++prova) {
            QDate::fromJulianDay(primo + qint64(caso() % quint32(ultimo - primo + 1))).getDate(&a, &m, &g);
            if (!conGiorni || prova == 200 || tabella.trovacodByte(nomeComune, sigla, a * 10000 + m * 100 + g))
                break;
        }
        blocco += QByteArray::number(g);
        blocco += '/';
        blocco += QByteArray::number(m);
        blocco += '/';
        blocco += QByteArray::number(a);
        blocco += s;
        blocco += comuni[size_t(r % qint64(comuni.size()))];
        blocco += '\n';
        if (blocco.size() > 1 << 20) {
            scrivi(blocco);
            blocco.resize(0);
        }
    }
    scrivi(blocco);
    return true;
}

void partiteIva(const Opzioni &opzioni, const Scrivi &scrivi)
{
    std::mt19937 caso(opzioni.seme);
    QByteArray blocco("partita_iva\n");
    for (qint64 r = 0; r < opzioni.righe; ++r) {
        char n[11];
        for (int i = 0; i < 7; ++i)
            n[i] = static_cast<char>('0' + caso() % 10);
        const int ufficio = r % 7 == 0 ? int(caso() % 1000) : int(1 + caso() % 100);
        n[7] = static_cast<char>('0' + ufficio / 100);
        n[8] = static_cast<char>('0' + ufficio / 10 % 10);
        n[9] = static_cast<char>('0' + ufficio % 10);
        int totale = 0;
        for (int i = 0; i < 10; ++i) {
            const int d = n[i] - '0';
            totale += i % 2 == 0 ? d : (d >= 5 ? 2 * d - 9 : 2 * d);
        }
        int controllo = (10 - totale % 10) % 10;
        if (r % 20 == 19)
            controllo = (controllo + 1) % 10;
        n[10] = static_cast<char>('0' + controllo);
        blocco.append(n, 11);
        blocco += '\n';
        if (blocco.size() > 1 << 20) {
            scrivi(blocco);
            blocco.resize(0);
        }
    }
    scrivi(blocco);
}

} // namespace Generatore
