#include "tabella.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QTemporaryFile>

#include "comandi.h"
#include "foglio.h"
#include "sorgentefoglio.h"
#include "errorifile.h"
#include "flussi.h"
#include "percorsi.h"

namespace {

// The usual ways of heading a column, as people write them.
QStringList varianti(const QString &nome)
{
    if (nome == u"datanascita")
        return {QStringLiteral("Data di nascita"), QStringLiteral("Nascita"),
                QStringLiteral("Data nasc."),      QStringLiteral("Nato il"),
                QStringLiteral("Nata il"),         QStringLiteral("Nato/a il"),
                QStringLiteral("Nata/o il"),       QStringLiteral("Data di nascita (gg/mm/aaaa)")};
    if (nome == u"comune")
        return {QStringLiteral("Luogo di nascita"),
                QStringLiteral("Luogo nascita"),
                QStringLiteral("Comune di nascita"),
                QStringLiteral("Comune nascita"),
                QStringLiteral("Nato a"),
                QStringLiteral("Nata a"),
                QStringLiteral("Nato/a a"),
                QStringLiteral("Località di nascita"),
                QStringLiteral("Località nascita"),
                QStringLiteral("Luogo"),
                QStringLiteral("Città"),
                QStringLiteral("Città di nascita")};
    if (nome == u"provincia")
        return {QStringLiteral("Prov."),
                QStringLiteral("Provincia di nascita"),
                QStringLiteral("Prov. nascita"),
                QStringLiteral("Prov. di nascita"),
                QStringLiteral("Provincia nascita"),
                QStringLiteral("Sigla"),
                QStringLiteral("Sigla provincia")};
    if (nome == u"sesso")
        return {QStringLiteral("Genere"), QStringLiteral("Sex"), QStringLiteral("M/F")};
    if (nome == u"codicefiscale")
        return {QStringLiteral("C.F."),
                QStringLiteral("Cod. fisc."),
                QStringLiteral("Cod. fiscale"),
                QStringLiteral("Codice fisc."),
                QStringLiteral("Codice fiscale dipendente"),
                QStringLiteral("C.F./P.IVA"),
                QStringLiteral("Codice fiscale/Partita IVA")};
    if (nome == u"partitaiva")
        return {QStringLiteral("P.IVA"),      QStringLiteral("Part. IVA"),
                QStringLiteral("P.I."),       QStringLiteral("Partita IVA fornitore"),
                QStringLiteral("C.F./P.IVA"), QStringLiteral("Codice fiscale/Partita IVA")};
    return {};
}

// A sentence of the sheet reader placed after a colon.
QString minuscola(QString testo)
{
    if (!testo.isEmpty())
        testo[0] = testo[0].toLower();
    return testo;
}

// The esito of a row with more fields than the header says where they went.
void segnalaRigaLunga(QString &esito, qsizetype campi, qsizetype intestazione)
{
    esito += (esito.isEmpty() ? QString() : QStringLiteral("; ")) +
             QStringLiteral("Riga con %1 campi, l'intestazione ne ha %2: quelli in più seguono le nuove colonne")
                 .arg(campi)
                 .arg(intestazione);
}

QString perUtente(const QString &percorso)
{
    return percorso == u"-" ? QStringLiteral("standard input") : percorso;
}

// Why a file cannot be opened, in Italian.
QString motivo(const QFileDevice &file)
{
    switch (file.error()) {
    case QFileDevice::OpenError:
        if (!QFile::exists(file.fileName()))
            return QStringLiteral("il file non esiste");
        if (QFileInfo(file.fileName()).isDir())
            return QStringLiteral("è una cartella");
        return QStringLiteral("accesso negato o non è un file");
    case QFileDevice::ReadError: return QStringLiteral("errore di lettura");
    case QFileDevice::PermissionsError: return QStringLiteral("permesso negato");
    default: return file.errorString();
    }
}

// Why `percorso` cannot be written, seen before trying: its folder missing or closed, or a folder itself.
QString ostacoloScrittura(const QString &percorso)
{
    const QFileInfo info(percorso);
    if (info.isDir())
        return QStringLiteral("è una cartella");
    const QFileInfo cartella(info.absolutePath());
    if (!cartella.exists())
        return QStringLiteral("la cartella «%1» non esiste").arg(info.absolutePath());
    if (!cartella.isDir())
        return QStringLiteral("«%1» non è una cartella").arg(info.absolutePath());
    if (!cartella.isWritable())
        return QStringLiteral("permesso negato nella cartella «%1»").arg(info.absolutePath());
    if (info.exists() && !info.isWritable())
        return QStringLiteral("permesso negato: il file è di sola lettura");
    return QString();
}

// The error number behind a failed write, from the device's message when the number is gone.
int numeroErrore(const QFileDevice &file, int salvato)
{
    if (salvato != 0)
        return salvato;
    const QString testo = file.errorString();
    for (int e : {ENOSPC,
#ifdef EDQUOT
                  EDQUOT,
#endif
                  EACCES, EPERM, EROFS, EFBIG, EIO, ENOENT}) {
        if (testo.contains(QString::fromLocal8Bit(std::strerror(e))))
            return e;
    }
    return 0;
}

// A header cut for a message: its first names, each short and without control characters.
QString elencoIntestazione(const QStringList &intestazione)
{
    QStringList nomi;
    for (const QString &n : intestazione.mid(0, 12))
        nomi.append(Csv::estratto(n.toUtf8(), Csv::Codifica::Utf8, 30));
    if (intestazione.size() > 12)
        nomi.append(QStringLiteral("…"));
    return nomi.join(QStringLiteral(", "));
}

// The order of the dates of each date column, from all its values: month first when some value fits only
// that order and none fits only day first.
struct ConteggioDate {
    qint64 soloGiorno = 0, soloMese = 0;
    QString esempioGiorno, esempioMese;
};

// A date cell of a sheet, for a command's date column: written in the order the command reads that column
// in (day first, month first), so that the date is the cell's whatever the order; year first when the
// column reads each date in the only order it fits. Empty for any other cell.
QByteArray dataDelFoglio(const Tabelle::SorgenteFoglio *foglio, int posto, Fiscale::OrdineData ordine)
{
    if (!foglio || posto < 0 || static_cast<size_t>(posto) >= foglio->celle().size())
        return {};
    const Fogli::Cella &c = foglio->celle()[size_t(posto)];
    if (c.tipo != Fogli::TipoCella::Data)
        return {};
    const QDate &d = c.data;
    char testo[16];
    int n = 0;
    switch (ordine) {
    case Fiscale::OrdineData::GiornoMese:
        n = std::snprintf(testo, sizeof testo, "%02d/%02d/%04d", d.day(), d.month(), d.year());
        break;
    case Fiscale::OrdineData::MeseGiorno:
        n = std::snprintf(testo, sizeof testo, "%02d/%02d/%04d", d.month(), d.day(), d.year());
        break;
    case Fiscale::OrdineData::Contraddittorio:
        n = std::snprintf(testo, sizeof testo, "%04d-%02d-%02d", d.year(), d.month(), d.day());
        break;
    }
    return n > 0 && n < int(sizeof testo) ? QByteArray(testo, n) : d.toString(Qt::ISODate).toLatin1();
}

// The header of an .xlsx output: the input's names around the command's columns, placed as in a CSV output.
QStringList intestazioneXlsx(const QStringList &intestazione, const Tabelle::NuoveColonne &nuove, qsizetype k)
{
    const qsizetype prima = nuove.posto >= 0 ? nuove.posto : intestazione.size();
    const qsizetype dopoDa = nuove.posto >= 0 ? nuove.posto + k : intestazione.size();
    return intestazione.mid(0, prima) + nuove.nomi + intestazione.mid(dopoDa);
}

// The command's byte path writing into memory, for an .xlsx output.
struct ViaRapida {
    QBuffer buffer;
    Csv::Scrittore scrittore{buffer, ';', "\n"};
    ViaRapida() { buffer.open(QIODevice::WriteOnly); }
};

// One row of an .xlsx output into `celle`, placed as a CSV output places it: the input's cells (typed
// when they come from a sheet, else text), the command's columns as text. Returns the esito; `conDati`
// tells whether the row had data for the command.
QString rigaXlsx(const Tabelle::Comando &comando, const Csv::Riga &riga, const Tabelle::SorgenteFoglio *foglio,
                 const std::vector<Tabelle::Colonna> &colonne, const std::vector<int> &posti,
                 const std::vector<Fiscale::OrdineData> &ordini, const Tabelle::NuoveColonne &nuove,
                 qsizetype nIntestazione, Csv::Codifica codifica, qsizetype mib, ViaRapida &rapida,
                 std::vector<Fogli::Cella> &celle, bool &conDati)
{
    celle.clear();
    conDati = false;
    if (riga.vuota)
        return {};
    const qsizetype k = nuove.nomi.size();
    const int posEsito = comando.colonnaEsito();
    qsizetype n = static_cast<qsizetype>(riga.campi.size());
    bool campiVuotiInPiu = n > nIntestazione;
    for (qsizetype i = nIntestazione; i < n && campiVuotiInPiu; ++i)
        campiVuotiInPiu = riga.campi[size_t(i)].isEmpty();
    const bool lunga = n > nIntestazione && !campiVuotiInPiu;
    if (campiVuotiInPiu)
        n = nIntestazione;
    const qsizetype prima = nuove.posto >= 0 ? nuove.posto : nIntestazione;
    const qsizetype dopoDa = nuove.posto >= 0 ? nuove.posto + k : nIntestazione;
    const qsizetype fineDopo = nuove.posto >= 0 ? qMax(n, nIntestazione) : n;
    auto cella = [&](qsizetype i) {
        if (i >= n)
            return Fogli::Cella();
        if (foglio)
            return size_t(i) < foglio->celle().size() ? foglio->celle()[size_t(i)] : Fogli::Cella();
        const QString t = Csv::decodifica(riga.campi[size_t(i)], codifica);
        return t.isEmpty() ? Fogli::Cella() : Fogli::Cella::diTesto(t);
    };
    for (qsizetype i = 0; i < prima; ++i)
        celle.push_back(cella(i));

    QStringList risultato;
    for (qsizetype i = 0; i < k; ++i)
        risultato.append(QString());
    if (riga.troppoLunga || !riga.valida) {
        conDati = true;
        if (posEsito >= 0)
            risultato[posEsito] = riga.troppoLunga
                                      ? QStringLiteral("Riga troppo lunga: supera %1 MiB (inizia con «%2»); non letta")
                                            .arg(mib)
                                            .arg(Csv::estratto(riga.grezza, codifica))
                                      : QStringLiteral("Riga non valida: virgolette non chiuse");
    } else {
        std::vector<QByteArray> date(colonne.size());
        std::vector<QByteArrayView> valori(colonne.size());
        for (size_t c = 0; c < colonne.size(); ++c) {
            const int p = posti[c];
            date[c] = colonne[c].data ? dataDelFoglio(foglio, p, ordini[c]) : QByteArray();
            valori[c] = !date[c].isEmpty() ? QByteArrayView(date[c])
                        : p >= 0 && p < n  ? Tabelle::taglia(riga.campi[size_t(p)])
                                           : QByteArrayView();
            conDati = conDati || !valori[c].isEmpty();
        }
        // The byte path first, its values taken back from what it wrote; the general one when it does not
        // take the row or wrote a value in quotes.
        bool fatto = false;
        if (conDati && !lunga) {
            rapida.buffer.buffer().clear();
            rapida.buffer.seek(0);
            if (comando.elaboraByte(valori, codifica, rapida.scrittore) != Tabelle::Rapido::NonGestito &&
                rapida.scrittore.scarica() && !rapida.buffer.buffer().contains('"')) {
                const QList<QByteArray> campi = rapida.buffer.buffer().split(';');
                if (campi.size() == k + 1) {
                    for (qsizetype i = 0; i < k; ++i)
                        risultato[i] = Csv::decodifica(campi[i + 1], codifica);
                    fatto = true;
                }
            }
        }
        if (conDati && !fatto) {
            QStringList testi;
            for (QByteArrayView v : valori)
                testi.append(Csv::decodifica(v, codifica));
            risultato = comando.elabora(testi);
            if (lunga && posEsito >= 0)
                segnalaRigaLunga(risultato[posEsito], n, nIntestazione);
        }
    }
    for (const QString &t : risultato)
        celle.push_back(t.isEmpty() ? Fogli::Cella() : Fogli::Cella::diTesto(t));
    for (qsizetype i = dopoDa; i < fineDopo; ++i)
        celle.push_back(cella(i));
    return risultato.value(posEsito);
}

// The summary of a run, the kinds of esito most frequent first (then by name, for a stable order).
Tabelle::Resoconto resoconto(qint64 righe, qint64 conEsito, const QHash<QString, qint64> &perEsito,
                             const QString &uscita)
{
    Tabelle::Resoconto r;
    r.righe = righe;
    r.buone = righe - conEsito;
    r.uscita = uscita;
    for (auto i = perEsito.cbegin(); i != perEsito.cend(); ++i)
        r.perEsito.append({i.key(), i.value()});
    std::sort(r.perEsito.begin(), r.perEsito.end(), [](const auto &a, const auto &b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    return r;
}

} // namespace

namespace Tabelle {

QString normalizza(const QString &nome)
{
    QString t = nome.trimmed();
    // A trailing part in brackets says how to fill the column, not what it is.
    if (t.endsWith(u')')) {
        const qsizetype aperta = t.lastIndexOf(u'(');
        if (aperta > 0)
            t.truncate(aperta);
    }
    QString n;
    for (QChar c : t.normalized(QString::NormalizationForm_KD).toLower()) {
        if (c.isLetterOrNumber() && !c.isMark())
            n.append(c);
    }
    return n;
}

QStringList nomiRiconosciuti(const QString &nome)
{
    QStringList nomi{nome};
    nomi += varianti(normalizza(nome));
    return nomi;
}

int trovaColonna(const QStringList &intestazione, const QString &nome, const QString &mappata)
{
    QStringList normali;
    for (const QString &h : intestazione)
        normali.append(normalizza(h));
    if (!mappata.isEmpty())
        return static_cast<int>(normali.indexOf(normalizza(mappata)));
    for (const QString &v : nomiRiconosciuti(nome)) {
        const qsizetype j = normali.indexOf(normalizza(v));
        if (j >= 0)
            return static_cast<int>(j);
    }
    return -1;
}

NuoveColonne nuoveColonne(const QStringList &intestazione, const QStringList &proprie, const QString &comando)
{
    NuoveColonne r;
    const qsizetype k = proprie.size();
    QString suffisso = u'_' + comando;
    suffisso.replace(u'-', u'_');
    QStringList normali;
    for (const QString &h : intestazione)
        normali.append(normalizza(h));
    // The command's own columns, as it names them: a block of the header, not at its very start.
    for (qsizetype p = intestazione.size() - k; p >= 1 && k > 0; --p) {
        bool proprio = true;
        for (qsizetype i = 0; i < k && proprio; ++i)
            proprio = normali[p + i] == normalizza(proprie[i]) || normali[p + i] == normalizza(proprie[i] + suffisso);
        if (proprio) {
            r.posto = p;
            r.nomi = intestazione.mid(p, k);
            return r;
        }
    }
    QStringList usati = normali;
    for (const QString &nome : proprie) {
        QString scelto = nome;
        if (usati.contains(normalizza(scelto)))
            scelto = nome + suffisso;
        for (int n = 2; usati.contains(normalizza(scelto)); ++n)
            scelto = nome + suffisso + u'_' + QString::number(n);
        usati.append(normalizza(scelto));
        r.nomi.append(scelto);
    }
    return r;
}

QString motivoScrittura(int numeroErrore)
{
    switch (numeroErrore) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("spazio esaurito sul disco");
    case EACCES:
    case EPERM: return QStringLiteral("permesso negato");
    case EROFS: return QStringLiteral("il disco è di sola lettura");
    case EFBIG: return QStringLiteral("file troppo grande per il disco");
    case ENOENT: return QStringLiteral("la cartella non esiste più");
    case EIO: return QStringLiteral("errore del disco");
    case EPIPE: return QStringLiteral("il programma che leggeva l'uscita si è chiuso");
    default:
        return numeroErrore != 0
                   ? QStringLiteral("errore di scrittura (%1)").arg(QString::fromLocal8Bit(std::strerror(numeroErrore)))
                   : QStringLiteral("errore di scrittura");
    }
}

QString rigaAvanzamento(qint64 righe, double secondi, double frazione)
{
    const QLocale it(QLocale::Italian, QLocale::Italy);
    QString riga =
        QStringLiteral("%1 righe, %2 righe/s")
            .arg(it.toString(righe), it.toString(secondi > 0 ? qRound64(static_cast<double>(righe) / secondi) : 0));
    if (frazione > 0 && frazione < 1)
        riga += QStringLiteral(", ancora circa %1 s").arg(qRound64(secondi * (1 - frazione) / frazione));
    return riga;
}

int eseguiTabella(Comando &comando, const OpzioniTabella &opzioni,
                  const std::function<void(const QString &)> &messaggio,
                  const std::function<void(const QString &)> &avanzamento)
{
    const QString nomeIngresso = perUtente(opzioni.ingresso);
    auto illeggibile = [&](const QString &perche) {
        messaggio(QStringLiteral("Impossibile leggere «%1»: %2").arg(nomeIngresso, perche));
        return kErroreUso;
    };
    QFile file;
    QTemporaryFile copia;
    QFileDevice *ingresso = &file;
    if (opzioni.ingresso == u"-") {
        if (!Flussi::apri(file, Flussi::Flusso::Ingresso, QIODevice::ReadOnly | QIODevice::Unbuffered))
            return illeggibile(motivo(file));
        // A pipe is kept in a temporary file: encoding and order of dates are decided on the whole table
        // before the first row is written.
        if (file.isSequential() || Flussi::percorsoIngresso().isEmpty()) {
            if (!copia.open())
                return illeggibile(
                    QStringLiteral("impossibile creare un file temporaneo (%1)").arg(copia.errorString()));
            QByteArray blocco(qsizetype(1) << 20, Qt::Uninitialized);
            for (;;) {
                const qint64 n = file.read(blocco.data(), blocco.size());
                if (n < 0)
                    return illeggibile(file.errorString());
                if (n == 0)
                    break;
                if (copia.write(blocco.constData(), n) != n)
                    return illeggibile(QStringLiteral("impossibile tenerlo in un file temporaneo: %1")
                                           .arg(motivoScrittura(numeroErrore(copia, errno))));
            }
            if (!copia.flush() || !copia.seek(0))
                return illeggibile(QStringLiteral("impossibile tenerlo in un file temporaneo: %1")
                                       .arg(motivoScrittura(numeroErrore(copia, errno))));
            ingresso = &copia;
        }
    } else {
        if (QFileInfo(opzioni.ingresso).isDir())
            return illeggibile(QStringLiteral("è una cartella"));
        file.setFileName(opzioni.ingresso);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return illeggibile(motivo(file));
    }

    // Files that are not tables, by their first bytes; sheets (a zip, or an OLE2 container: an old .xls or
    // a file protected by a password) go to the sheet reader, which tells which.
    const qint64 inizio = ingresso->pos();
    const QByteArray primi = ingresso->read(4096);
    ingresso->seek(inizio);
    if (primi.startsWith("PK\x03\x04") || primi.startsWith("PK\x05\x06") ||
        primi.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        const QString percorso = ingresso == &copia         ? copia.fileName()
                                 : opzioni.ingresso == u"-" ? Flussi::percorsoIngresso()
                                                            : opzioni.ingresso;
        SorgenteFoglio foglio;
        if (!foglio.apri(percorso, opzioni.foglio))
            return illeggibile(minuscola(foglio.errore()));
        OpzioniTabella perFoglio = opzioni;
        perFoglio.codifica = Csv::Codifica::Utf8;
        perFoglio.separatore = 0;
        return eseguiSu(comando, foglio, perFoglio, nomeIngresso, messaggio, avanzamento);
    }
    if (!opzioni.foglio.isEmpty()) {
        messaggio(QStringLiteral("--foglio vale solo per un file .xlsx o .ods, e «%1» non lo è").arg(nomeIngresso));
        return kErroreUso;
    }
    const QString cosa = Csv::nonTabella(primi);
    if (!cosa.isEmpty()) {
        const bool foglio = cosa.contains(QStringLiteral("foglio")) || cosa.contains(QStringLiteral(".xls"));
        messaggio(
            QStringLiteral("«%1» è %2, non un file CSV%3")
                .arg(nomeIngresso, cosa,
                     foglio ? QStringLiteral(": salvarlo come CSV dal programma di fogli di calcolo") : QString()));
        return kErroreUso;
    }

    Csv::Lettore lettore(*ingresso, opzioni.separatore, opzioni.codifica, opzioni.massimoRiga);
    lettore.rinviaCodifica(); // decided in the same first look as the order of dates
    return eseguiSu(comando, lettore, opzioni, nomeIngresso, messaggio, avanzamento);
}

int eseguiSu(Comando &comando, Csv::Sorgente &sorgente, const OpzioniTabella &opzioni, const QString &nomeIngresso,
             const std::function<void(const QString &)> &messaggio,
             const std::function<void(const QString &)> &avanzamento)
{
    auto illeggibile = [&](const QString &perche) {
        messaggio(QStringLiteral("Impossibile leggere «%1»: %2").arg(nomeIngresso, minuscola(perche)));
        return kErroreUso;
    };
    Csv::Riga riga;
    qint64 vuoteIniziali = 0;
    bool letta = false;
    while ((letta = sorgente.leggi(riga)) && riga.vuota)
        ++vuoteIniziali;
    if (!letta) {
        if (!sorgente.errore().isEmpty())
            return illeggibile(sorgente.errore());
        messaggio(QStringLiteral("Il file «%1» è vuoto: manca la riga d'intestazione").arg(nomeIngresso));
        return kErroreUso;
    }
    const qsizetype mib = qMax<qsizetype>(1, opzioni.massimoRiga >> 20);
    if (riga.troppoLunga) {
        messaggio(QStringLiteral("La riga d'intestazione di «%1» supera %2 MiB (inizia con «%3»): non sembra una "
                                 "tabella CSV")
                      .arg(nomeIngresso)
                      .arg(mib)
                      .arg(Csv::estratto(riga.grezza, Csv::Codifica::Utf8)));
        return kErroreUso;
    }
    // The header in its own encoding until the table's is decided.
    Csv::Codifica codifica = opzioni.codifica;
    if (codifica == Csv::Codifica::Automatica)
        codifica = Csv::rilevaCodifica(riga.grezza) == Csv::Codifica::Windows1252 ? Csv::Codifica::Windows1252
                                                                                  : Csv::Codifica::Utf8;
    const Csv::Codifica codificaIntestazione = codifica;

    // The header, and where the command's columns stand in it.
    QStringList intestazione;
    for (QByteArrayView campo : riga.campi)
        intestazione.append(taglia(Csv::decodifica(campo, codifica)));
    const NuoveColonne nuove = nuoveColonne(intestazione, comando.uscita(), opzioni.comando);
    const qsizetype k = nuove.nomi.size();
    QStringList dove = intestazione; // the header without the command's own columns, to find its input
    for (qsizetype i = 0; nuove.posto >= 0 && i < k; ++i)
        dove[nuove.posto + i].clear();
    const std::vector<Colonna> colonne = comando.ingresso();
    for (const auto &[nome, _] : opzioni.colonne) {
        bool nota = false;
        for (const Colonna &c : colonne)
            nota = nota || normalizza(c.nome) == normalizza(nome);
        if (!nota) {
            messaggio(QStringLiteral("--colonna: «%1» non è una colonna di questo comando").arg(nome));
            return kErroreUso;
        }
    }
    std::vector<int> posti;
    for (const Colonna &c : colonne) {
        std::optional<QString> mappata; // an empty heading: no column for it
        for (const auto &[nome, testa] : opzioni.colonne) {
            if (normalizza(nome) == normalizza(c.nome))
                mappata = testa;
        }
        const bool nessuna = mappata && mappata->isEmpty();
        const int posto = nessuna ? -1 : trovaColonna(dove, c.nome, mappata.value_or(QString()));
        if (posto < 0 && mappata && !nessuna) {
            messaggio(opzioni.finestra
                          ? QStringLiteral("Nel file «%1» non c'è più la colonna «%2» (intestazione: %3)")
                                .arg(nomeIngresso, *mappata, elencoIntestazione(intestazione))
                          : QStringLiteral("Nel file «%1» non c'è la colonna «%2» indicata con --colonna %3=%2 "
                                           "(intestazione: %4)")
                                .arg(nomeIngresso, *mappata, c.nome, elencoIntestazione(intestazione)));
            return kErroreUso;
        }
        if (posto < 0 && c.obbligatoria) {
            messaggio(opzioni.finestra
                          ? QStringLiteral("Nel file «%1» manca la colonna «%2»: sceglierla tra le colonne del file")
                                .arg(nomeIngresso, c.nome)
                          : QStringLiteral("Nel file «%1» manca la colonna «%2» (intestazione: %3); indicarla con "
                                           "--colonna %2=INTESTAZIONE; nomi riconosciuti: %4")
                                .arg(nomeIngresso, c.nome, elencoIntestazione(intestazione),
                                     nomiRiconosciuti(c.nome).join(QStringLiteral(", "))));
            return kErroreUso;
        }
        posti.push_back(posto);
    }
    const qsizetype nIntestazione = static_cast<qsizetype>(riga.campi.size());
    const bool intestazioneCopiabile = riga.copiabile;

    // The first look at the whole table: its encoding, unless given, and the order of day and month of each
    // date column, unless given.
    std::vector<int> colonneDate;
    // The order each date column is read in, for the date cells of a sheet.
    std::vector<Fiscale::OrdineData> ordini(colonne.size(), Fiscale::OrdineData::GiornoMese);
    std::vector<size_t> date;
    for (size_t c = 0; c < colonne.size(); ++c) {
        if (!colonne[c].data || posti[c] < 0)
            continue;
        if (opzioni.ordineData) {
            comando.ordineDate(c, *opzioni.ordineData);
            ordini[c] = *opzioni.ordineData;
        } else {
            colonneDate.push_back(posti[c]);
            date.push_back(c);
        }
    }
    std::vector<ConteggioDate> conti(date.size());
    if (opzioni.codifica == Csv::Codifica::Automatica || !date.empty()) {
        sorgente.esamina(colonneDate, [&](int k, QByteArrayView valore) {
            ConteggioDate &conto = conti[size_t(k)];
            valore = taglia(valore);
            const unsigned ordini = Fiscale::ordiniPossibili(valore);
            if (ordini == Fiscale::kGiornoPrima && conto.soloGiorno++ == 0)
                conto.esempioGiorno = Csv::estratto(valore, Csv::Codifica::Utf8, 20);
            if (ordini == Fiscale::kMesePrima && conto.soloMese++ == 0)
                conto.esempioMese = Csv::estratto(valore, Csv::Codifica::Utf8, 20);
        });
        if (opzioni.codifica == Csv::Codifica::Automatica)
            codifica = sorgente.codifica() == Csv::Codifica::Automatica ? Csv::Codifica::Utf8 : sorgente.codifica();
    }
    for (size_t d = 0; d < date.size(); ++d) {
        const ConteggioDate &conto = conti[d];
        const size_t c = date[d];
        const QString nome = Csv::estratto(intestazione[posti[c]].toUtf8(), Csv::Codifica::Utf8, 30);
        if (conto.soloMese > 0 && conto.soloGiorno == 0) {
            comando.ordineDate(c, Fiscale::OrdineData::MeseGiorno);
            ordini[c] = Fiscale::OrdineData::MeseGiorno;
            messaggio(QStringLiteral("La colonna «%1» ha le date con il mese prima del giorno (come «%2»): "
                                     "lette come mese/giorno/anno")
                          .arg(nome, conto.esempioMese));
        } else if (conto.soloMese > 0) {
            comando.ordineDate(c, Fiscale::OrdineData::Contraddittorio);
            ordini[c] = Fiscale::OrdineData::Contraddittorio;
            messaggio(QStringLiteral("La colonna «%1» ha date con il giorno prima del mese (come «%2») e date con il "
                                     "mese prima (come «%3»): le date leggibili nei due modi hanno un esito; --data "
                                     "sceglie l'ordine")
                          .arg(nome, conto.esempioGiorno, conto.esempioMese));
        } else {
            comando.ordineDate(c, Fiscale::OrdineData::GiornoMese);
        }
    }
    // A header in the other encoding than the table's is written in the table's.
    QByteArray grezzaIntestazione = riga.grezza.toByteArray();
    std::vector<QByteArray> campiIntestazione;
    for (QByteArrayView campo : riga.campi)
        campiIntestazione.push_back(campo.toByteArray());
    if (codificaIntestazione != codifica) {
        grezzaIntestazione = Csv::codifica(Csv::decodifica(grezzaIntestazione, codificaIntestazione), codifica);
        for (QByteArray &campo : campiIntestazione)
            campo = Csv::codifica(Csv::decodifica(campo, codificaIntestazione), codifica);
    }

    if (opzioni.annullato && opzioni.annullato->load())
        return kAnnullato;
    QSaveFile salvato;
    QFile standard;
    QFileDevice *uscita = &standard;
    const bool suStandard = opzioni.uscita.isEmpty() || opzioni.uscita == u"-";
    const QString nomeUscita = suStandard ? QStringLiteral("standard output") : opzioni.uscita;
    // An output named .xlsx is a sheet, written by ScrittoreXlsx under a temporary name of its own.
    const bool xlsx = !suStandard && opzioni.uscita.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
    const auto *foglio = dynamic_cast<const SorgenteFoglio *>(&sorgente);
    std::unique_ptr<Fogli::Scrittore> libro;
    if (suStandard) {
        Flussi::apri(standard, Flussi::Flusso::Uscita, QIODevice::WriteOnly | QIODevice::Unbuffered);
    } else {
        QString ostacolo = ostacoloScrittura(opzioni.uscita);
        if (ostacolo.isEmpty() && xlsx) {
            const Fogli::Libreria *libreria = Fogli::libreria(&ostacolo);
            if (libreria) {
                libro = libreria->scrittore(opzioni.uscita);
                if (!libro->apri(intestazioneXlsx(intestazione, nuove, k)))
                    ostacolo = minuscola(libro->errore());
            }
        } else if (ostacolo.isEmpty()) {
            salvato.setFileName(opzioni.uscita);
            uscita = &salvato;
            if (!salvato.open(QIODevice::WriteOnly))
                ostacolo = motivoScrittura(numeroErrore(salvato, errno));
        }
        if (!ostacolo.isEmpty()) {
            messaggio(QStringLiteral("Impossibile scrivere «%1»: %2").arg(opzioni.uscita, ostacolo));
            return kErroreUso;
        }
    }

    QBuffer nessuna; // an .xlsx output writes no CSV: the CSV header goes here and nothing else
    if (xlsx)
        nessuna.open(QIODevice::WriteOnly);
    Csv::Scrittore scrittore(xlsx ? static_cast<QIODevice &>(nessuna) : *uscita, sorgente.separatore(),
                             sorgente.fineRiga());
    if (sorgente.bom() && !xlsx)
        scrittore.grezzo("\xEF\xBB\xBF");
    for (qint64 i = 0; i < vuoteIniziali && !xlsx; ++i)
        scrittore.fineRiga();

    // A row is written as: the columns before the new ones, the new ones, the columns after them (the
    // command's own columns replaced in place, or the extra fields of a long row).
    const qsizetype prima = nuove.posto >= 0 ? nuove.posto : nIntestazione;
    const qsizetype dopoDa = nuove.posto >= 0 ? nuove.posto + k : nIntestazione;
    auto scriviCampi = [&](const auto &campi, qsizetype n, qsizetype da, qsizetype a) {
        for (qsizetype i = da; i < a; ++i) {
            if (i > 0)
                scrittore.separatore();
            if (i < n)
                scrittore.campo(campi[size_t(i)]);
        }
    };
    if (nuove.posto < 0 && intestazioneCopiabile)
        scrittore.grezzo(grezzaIntestazione);
    else
        scriviCampi(campiIntestazione, nIntestazione, 0, prima);
    for (const QString &n : nuove.nomi) {
        scrittore.separatore();
        scrittore.campo(Csv::codifica(n, codifica));
    }
    scriviCampi(campiIntestazione, nIntestazione, dopoDa, nIntestazione);
    scrittore.fineRiga();

    const int posEsito = comando.colonnaEsito();
    auto soloEsito = [&](const QString &esito) {
        for (qsizetype i = 0; i < k; ++i) {
            scrittore.separatore();
            if (i == posEsito)
                scrittore.campo(Csv::codifica(esito, codifica));
        }
    };

    std::vector<QByteArrayView> valori(colonne.size());
    QStringList testi;
    std::vector<Fogli::Cella> celle;
    ViaRapida rapida;
    std::vector<QByteArray> dateIso(colonne.size());
    qint64 righe = 0, conEsito = 0, conDati = 0;
    QHash<QString, qint64> perEsito;
    // The kind of an esito: its text up to the first ':' or '(' ("Comune non trovato").
    const bool contaTipi = opzioni.resoconto || xlsx;
    auto contaEsito = [&](const QString &esito) {
        if (!contaTipi)
            return;
        qsizetype fine = esito.size();
        for (QChar fermo : {u':', u'('}) {
            const qsizetype i = esito.indexOf(fermo);
            if (i > 0 && i < fine)
                fine = i;
        }
        ++perEsito[esito.left(fine).trimmed()];
    };
    QElapsedTimer orologio;
    orologio.start();
    qint64 ultimoAvanzamento = 0, ultimoProgresso = 0;
    bool annullato = false;
    while (sorgente.leggi(riga)) {
        ++righe;
        if ((righe & 0xFF) == 0) {
            if (opzioni.annullato && opzioni.annullato->load(std::memory_order_relaxed)) {
                annullato = true;
                break;
            }
            if (opzioni.progresso && orologio.elapsed() - ultimoProgresso >= 150) {
                ultimoProgresso = orologio.elapsed();
                opzioni.progresso(righe, sorgente.frazione());
            }
        }
        if (opzioni.avanzamento && avanzamento && (righe & 0x3FFF) == 0) {
            const qint64 ms = orologio.elapsed();
            if (ms >= 1000 && ms - ultimoAvanzamento >= 500) {
                ultimoAvanzamento = ms;
                avanzamento(rigaAvanzamento(righe, static_cast<double>(ms) / 1000.0, sorgente.frazione()));
            }
        }
        if (xlsx) {
            bool conValori = false;
            const QString esito = rigaXlsx(comando, riga, foglio, colonne, posti, ordini, nuove, nIntestazione,
                                           codifica, mib, rapida, celle, conValori);
            if (conValori)
                ++conDati;
            if (!esito.isEmpty()) {
                ++conEsito;
                contaEsito(esito);
            }
            if (!libro->scriviRiga(celle, !esito.isEmpty()))
                break;
            continue;
        }
        if (riga.vuota) { // stays an empty line, in its place
            scrittore.fineRiga();
            continue;
        }
        qsizetype n = static_cast<qsizetype>(riga.campi.size());
        bool campiVuotiInPiu = n > nIntestazione;
        for (qsizetype i = nIntestazione; i < n && campiVuotiInPiu; ++i)
            campiVuotiInPiu = riga.campi[size_t(i)].isEmpty();
        const bool lunga = n > nIntestazione && !campiVuotiInPiu;

        // The columns before the new ones: as read when possible, else value by value.
        if (riga.copiabile && riga.valida && nuove.posto < 0 && n <= nIntestazione) {
            scrittore.grezzo(riga.grezza);
            for (qsizetype i = n; i < nIntestazione; ++i)
                scrittore.separatore();
        } else {
            scriviCampi(riga.campi, n, 0, prima);
        }
        if (campiVuotiInPiu)
            n = nIntestazione;
        const qsizetype fineDopo = nuove.posto >= 0 ? qMax(n, nIntestazione) : n;

        if (riga.troppoLunga) {
            const QString esito = QStringLiteral("Riga troppo lunga: supera %1 MiB (inizia con «%2»); non letta")
                                      .arg(mib)
                                      .arg(Csv::estratto(riga.grezza, codifica));
            soloEsito(esito);
            contaEsito(esito);
            ++conEsito;
            ++conDati;
        } else if (!riga.valida) {
            const QString esito = QStringLiteral("Riga non valida: virgolette non chiuse");
            soloEsito(esito);
            contaEsito(esito);
            ++conEsito;
            ++conDati;
        } else {
            bool dati = false;
            for (size_t c = 0; c < colonne.size(); ++c) {
                const int p = posti[c];
                valori[c] = p >= 0 && p < n ? taglia(riga.campi[size_t(p)]) : QByteArrayView();
                dati = dati || !valori[c].isEmpty();
            }
            for (size_t c = 0; foglio && c < colonne.size(); ++c) { // date cells as dates, not as shown
                if (!colonne[c].data)
                    continue;
                dateIso[c] = dataDelFoglio(foglio, posti[c], ordini[c]);
                if (!dateIso[c].isEmpty())
                    valori[c] = dateIso[c];
            }
            Rapido r = Rapido::Fatto;
            if (!dati) { // a blank, title or total row: empty results, no esito
                for (qsizetype i = 0; i < k; ++i)
                    scrittore.separatore();
            } else {
                r = lunga ? Rapido::NonGestito : comando.elaboraByte(valori, codifica, scrittore);
            }
            if (r == Rapido::NonGestito) {
                testi.clear();
                for (QByteArrayView v : valori)
                    testi.append(Csv::decodifica(v, codifica));
                QStringList risultato = comando.elabora(testi);
                if (lunga && posEsito >= 0)
                    segnalaRigaLunga(risultato[posEsito], n, nIntestazione);
                for (const QString &t : risultato) {
                    scrittore.separatore();
                    scrittore.campo(Csv::codifica(t, codifica));
                }
                r = risultato.value(posEsito).isEmpty() ? Rapido::Fatto : Rapido::ConEsito;
                if (r == Rapido::ConEsito)
                    contaEsito(risultato.value(posEsito));
            } else if (r == Rapido::ConEsito && opzioni.resoconto) {
                // The byte path wrote the esito without handing it over: the row once more, as text.
                testi.clear();
                for (QByteArrayView v : valori)
                    testi.append(Csv::decodifica(v, codifica));
                contaEsito(comando.elabora(testi).value(posEsito));
            }
            if (dati)
                ++conDati;
            if (r == Rapido::ConEsito)
                ++conEsito;
        }
        scriviCampi(riga.campi, n, dopoDa, fineDopo);
        scrittore.fineRiga();

    }
    if (avanzamento && ultimoAvanzamento > 0)
        avanzamento(QString());
    if (annullato || (opzioni.annullato && opzioni.annullato->load())) {
        salvato.cancelWriting(); // the temporary file goes, the output name is never touched
        if (libro)
            libro->annulla();
        return kAnnullato;
    }

    if (!sorgente.errore().isEmpty()) {
        if (libro)
            libro->annulla();
        return illeggibile(sorgente.errore());
    }
    if (libro) {
        const Resoconto fatto = resoconto(conDati, conEsito, perEsito, nomeUscita);
        std::vector<std::pair<QString, QString>> riepilogo = {
            {QStringLiteral("Righe"), QString::number(fatto.righe)},
            {QStringLiteral("Righe senza esito"), QString::number(fatto.buone)}};
        for (const auto &[tipo, quante] : fatto.perEsito)
            riepilogo.emplace_back(tipo, QString::number(quante));
        if (!libro->errore().isEmpty() || !libro->chiudi(riepilogo)) {
            messaggio(QStringLiteral("Impossibile scrivere «%1»: %2").arg(nomeUscita, minuscola(libro->errore())));
            libro->annulla();
            return kErroreUso;
        }
        if (opzioni.progresso)
            opzioni.progresso(righe, 1.0);
        if (opzioni.resoconto)
            *opzioni.resoconto = fatto;
        return conEsito > 0 ? kRigheConEsito : kTuttoBene;
    }
    if (!scrittore.scarica() || (uscita == &salvato && !salvato.commit())) {
        const int numero = scrittore.numeroErrore() != 0 ? scrittore.numeroErrore() : errno;
        messaggio(QStringLiteral("Impossibile scrivere «%1»: %2")
                      .arg(nomeUscita, motivoScrittura(numeroErrore(*uscita, numero))));
        return kErroreUso;
    }
    if (opzioni.progresso)
        opzioni.progresso(righe, 1.0);
    if (opzioni.resoconto)
        *opzioni.resoconto = resoconto(conDati, conEsito, perEsito, nomeUscita);
    return conEsito > 0 ? kRigheConEsito : kTuttoBene;
}

} // namespace Tabelle

namespace Tabelle {

std::unique_ptr<Comando> creaComando(const QString &nome, DatiComandi &dati, QString *errore)
{
    // A data file beside the program, loaded once; on failure the message the windows give for it, with
    // the path looked at.
    auto carica = [&](const QString &file, auto &&leggi) {
        const QString percorso = Percorsi::fileProgramma(file);
        const int numero = leggi(percorso);
        if (numero != 0 && errore)
            *errore = ErroriFile::messaggio(numero, file) + QStringLiteral(" (%1)").arg(percorso);
        return numero == 0;
    };
    auto codici = [&] {
        return dati.tabella.numeroVoci() > 0 ||
               carica(QStringLiteral("codes.cf"), [&](const QString &p) { return dati.tabella.carica(p); });
    };
    const QString luoghi = Percorsi::fileProgramma(QStringLiteral("luoghi.dat"));
    if (nome == u"calcola")
        return codici() ? std::make_unique<Calcola>(dati.tabella, QDate::currentDate(), luoghi) : nullptr;
    if (nome == u"verifica")
        return codici() ? std::make_unique<VerificaCmd>(dati.tabella) : nullptr;
    if (nome == u"partita-iva")
        return std::make_unique<PartitaIvaCmd>();
    if (nome == u"comune") {
        const bool pronto = !dati.elenco.nomi.isEmpty() || carica(QStringLiteral("codes.dat"), [&](const QString &p) {
            ElencoComuni::Caricamento c = ElencoComuni::caricacomuni(p);
            dati.elenco = std::move(c.elenco);
            return c.errore;
        });
        return pronto ? std::make_unique<ComuneCmd>(dati.elenco, luoghi) : nullptr;
    }
    if (errore)
        *errore = QStringLiteral("comando sconosciuto «%1»").arg(nome);
    return nullptr;
}

Anteprima anteprima(const QString &file, const QString &foglio, int righe)
{
    Anteprima a;
    const auto illeggibile = [&](const QString &perche) {
        a.errore = QStringLiteral("Impossibile leggere «%1»: %2").arg(file, minuscola(perche));
        return a;
    };
    if (QFileInfo(file).isDir())
        return illeggibile(QStringLiteral("è una cartella"));
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return illeggibile(motivo(f));
    const QByteArray primi = f.read(4096);
    f.seek(0);
    if (primi.startsWith("PK\x03\x04") || primi.startsWith("PK\x05\x06") ||
        primi.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        SorgenteFoglio sorgente;
        const bool aperto = sorgente.apri(file, foglio);
        a.fogli = sorgente.fogli();
        if (aperto && sorgente.formato() == Fogli::FormatoFoglio::Ods) {
            // An .ods names its sheets as they come: all of them from a reading that looks for none.
            if (const std::unique_ptr<Fogli::Lettore> elenco = SorgenteFoglio::nuovoLettore(nullptr)) {
                elenco->apri(file, QStringLiteral("\n"));
                a.fogli = elenco->fogli();
            }
        }
        if (!aperto)
            return illeggibile(sorgente.errore());
        Csv::Riga riga;
        if (!sorgente.leggi(riga))
            return sorgente.errore().isEmpty()
                       ? illeggibile(QStringLiteral("il foglio è vuoto: manca la riga d'intestazione"))
                       : illeggibile(sorgente.errore());
        for (const Fogli::Cella &c : sorgente.celle())
            a.intestazione.append(Fogli::testoVisibile(c).trimmed());
        while (a.righe.size() < righe && sorgente.leggi(riga)) {
            QStringList valori;
            for (const Fogli::Cella &c : sorgente.celle())
                valori.append(Fogli::testoVisibile(c));
            a.righe.append(valori);
        }
        if (!sorgente.errore().isEmpty())
            illeggibile(sorgente.errore());
        return a;
    }
    const QString cosa = Csv::nonTabella(primi);
    if (!cosa.isEmpty()) {
        a.errore = QStringLiteral("«%1» è %2, non un file CSV").arg(file, cosa);
        return a;
    }
    // The first records as read, their encoding judged from all of them together.
    Csv::Lettore lettore(f);
    lettore.rinviaCodifica();
    Csv::Riga riga;
    std::vector<std::vector<QByteArray>> lette;
    QByteArray tutte;
    bool intestazione = false;
    while (static_cast<qsizetype>(lette.size()) <= righe && lettore.leggi(riga)) {
        if (riga.vuota && !intestazione)
            continue;
        intestazione = true;
        std::vector<QByteArray> campi;
        for (QByteArrayView c : riga.campi) {
            campi.push_back(c.toByteArray());
            tutte += campi.back();
            tutte += '\n';
        }
        lette.push_back(std::move(campi));
    }
    if (!lettore.errore().isEmpty())
        return illeggibile(lettore.errore());
    if (lette.empty())
        return illeggibile(QStringLiteral("il file è vuoto: manca la riga d'intestazione"));
    const Csv::Codifica codifica =
        Csv::rilevaCodifica(tutte) == Csv::Codifica::Windows1252 ? Csv::Codifica::Windows1252 : Csv::Codifica::Utf8;
    for (size_t r = 0; r < lette.size(); ++r) {
        QStringList valori;
        for (const QByteArray &c : lette[r])
            valori.append(r == 0 ? taglia(Csv::decodifica(c, codifica)) : Csv::decodifica(c, codifica));
        if (r == 0)
            a.intestazione = valori;
        else
            a.righe.append(valori);
    }
    return a;
}

} // namespace Tabelle
