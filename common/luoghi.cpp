#include "luoghi.h"

#include <algorithm>

#include <QStringList>

#include "errorifile.h"

namespace {

// luoghi.dat is a few hundred KiB; a larger file is read up to here.
constexpr qint64 kLimiteFile = qint64(4) * 1024 * 1024;

// The five digits of a postal code as a number, or -1.
int codiceCap(QByteArrayView testo)
{
    if (testo.size() != 5)
        return -1;
    int n = 0;
    for (char c : testo) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace

namespace Luoghi {

void appendiForma(QString &f, QChar c)
{
    if (c.unicode() < 128) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            f.append(QChar(u - 32));
        else if ((u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9'))
            f.append(c);
        return;
    }
    if (!c.isLetterOrNumber())
        return;
    // The letter without its accent: the first character of its canonical decomposition.
    const QString scomposto = c.decomposition();
    const QChar base = c.decompositionTag() == QChar::Canonical && !scomposto.isEmpty() ? scomposto[0] : c;
    f.append(QString(base).toUpper()); // ß is SS, as people write it without the letter
}

QString forma(QStringView testo)
{
    QString f;
    f.reserve(testo.size());
    for (QChar c : testo)
        appendiForma(f, c);
    return f;
}

bool eCap(QStringView testo)
{
    if (testo.size() != 5)
        return false;
    return std::all_of(testo.begin(), testo.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

int Dati::carica(const QString &percorso)
{
    const ErroriFile::Lettura lettura = ErroriFile::leggiFile(percorso, kLimiteFile);
    analizza(lettura.dati);
    return lettura.errore;
}

void Dati::analizza(const QByteArray &dati)
{
    m_dati = dati;
    m_cap.clear();
    m_altri.clear();
    const qsizetype totale = m_dati.size();
    m_cap.reserve(static_cast<size_t>(totale / 20));
    qsizetype pos = 0;
    while (pos < totale) {
        qsizetype fine = m_dati.indexOf('\n', pos);
        if (fine < 0)
            fine = totale;
        const QByteArrayView riga = QByteArrayView(m_dati).sliced(pos, fine - pos);
        const qsizetype inizioRiga = pos;
        pos = fine + 1;
        // Kind, value, name, province: three separators, and something in each field.
        if (riga.size() < 8 || riga[1] != ';' || riga.startsWith('#'))
            continue;
        const qsizetype a = 1, b = riga.indexOf(';', a + 1);
        const qsizetype c = b < 0 ? -1 : riga.indexOf(';', b + 1);
        if (b <= a + 1 || c <= b + 1 || c + 1 >= riga.size() || riga.indexOf(';', c + 1) >= 0)
            continue;
        const QByteArrayView valore = riga.sliced(a + 1, b - a - 1);
        if (riga[0] == 'C') {
            const int codice = codiceCap(valore);
            if (codice >= 0)
                m_cap.push_back({static_cast<quint32>(codice), static_cast<quint32>(inizioRiga + b + 1),
                                 static_cast<quint32>(riga.size() - b - 1)});
        } else if (riga[0] == 'A') {
            m_altri.push_back({QString::fromUtf8(valore), QString::fromUtf8(riga.sliced(b + 1, c - b - 1)),
                               QString::fromUtf8(riga.sliced(c + 1)).trimmed()});
        }
    }
    // The generator writes the codes in order; a file edited by hand is put in order here.
    const auto perCodice = [](const Cap &x, const Cap &y) { return x.codice < y.codice; };
    if (!std::is_sorted(m_cap.begin(), m_cap.end(), perCodice))
        std::stable_sort(m_cap.begin(), m_cap.end(), perCodice);
}

std::vector<Luogo> Dati::perCap(QStringView cap) const
{
    std::vector<Luogo> luoghi;
    if (!eCap(cap))
        return luoghi;
    const int codice = codiceCap(cap.toLatin1());
    const Cap chiave{static_cast<quint32>(codice), 0, 0};
    auto [da, a] = std::equal_range(m_cap.begin(), m_cap.end(), chiave,
                                    [](const Cap &x, const Cap &y) { return x.codice < y.codice; });
    for (auto it = da; it != a; ++it) {
        const QByteArrayView testo = QByteArrayView(m_dati).sliced(it->inizio, it->lunghezza);
        const qsizetype punto = testo.indexOf(';');
        luoghi.push_back({QString::fromUtf8(testo.first(punto)), QString::fromUtf8(testo.sliced(punto + 1)).trimmed()});
    }
    return luoghi;
}

void Indice::aggiungiForma(const QString &f, int luogo)
{
    if (f.isEmpty())
        return;
    std::vector<int> &posti = m_perForma[f];
    if (std::find(posti.begin(), posti.end(), luogo) == posti.end())
        posti.push_back(luogo);
}

void Indice::aggiungi(const QString &nome, const QString &sigla, int dato)
{
    const QString chiave = nome + u';' + sigla;
    if (m_perNome.contains(chiave))
        return;
    const int luogo = static_cast<int>(m_luoghi.size());
    m_scritture.reset();
    m_luoghi.push_back({nome, sigla, dato});
    m_perNome.insert(chiave, luogo);
    const QString f = forma(nome);
    aggiungiForma(f, luogo);
    if (m_taglio > 0 && nome.size() >= m_taglio && !f.isEmpty())
        m_tagliati.emplace_back(f, luogo);
}

int Indice::luogoDi(const QString &nome, const QString &sigla) const
{
    QString chiave = nome;
    if (m_taglio > 0 && chiave.size() > m_taglio) {
        chiave.truncate(m_taglio);
        while (chiave.endsWith(u' '))
            chiave.chop(1);
    }
    return m_perNome.value(chiave + u';' + sigla, -1);
}

void Indice::aggiungiAltriNomi(const Dati &dati)
{
    m_scritture.reset();
    for (const Dati::AltroNome &a : dati.altriNomi()) {
        const int l = luogoDi(a.comune, a.sigla);
        if (l < 0)
            continue;
        aggiungiForma(forma(a.nome), l);
        m_altriNomi.emplace_back(a.nome, l);
        if (m_luoghi[static_cast<size_t>(l)].nome != a.comune)
            m_interi.insert(l, a.comune);
    }
}

std::vector<int> Indice::perForma(const QString &f) const
{
    std::vector<int> posti = m_perForma.value(f);
    if (posti.empty()) {
        for (const auto &[tagliato, luogo] : m_tagliati) {
            if (f.startsWith(tagliato) && std::find(posti.begin(), posti.end(), luogo) == posti.end())
                posti.push_back(luogo);
        }
        std::sort(posti.begin(), posti.end());
    }
    return posti;
}

std::vector<Luogo> Indice::risultati(const std::vector<int> &posti, QStringView sigla) const
{
    std::vector<Luogo> trovati;
    const QString s = sigla.trimmed().toString().toUpper();
    for (int p : posti) {
        if (!s.isEmpty() && m_luoghi[static_cast<size_t>(p)].sigla != s)
            continue;
        trovati.push_back(m_luoghi[static_cast<size_t>(p)]);
        const auto intero = m_interi.constFind(p);
        if (intero != m_interi.constEnd())
            trovati.back().nome = intero.value();
    }
    return trovati;
}

std::vector<Luogo> Indice::cerca(QStringView testo, QStringView sigla) const
{
    const QString f = forma(testo);
    if (f.isEmpty())
        return {};
    return risultati(perForma(f), sigla);
}

QString elenco(const std::vector<Luogo> &luoghi)
{
    QStringList parti;
    for (const Luogo &l : luoghi)
        parti.append(l.nome + QStringLiteral(" (") + l.sigla + u')');
    return parti.join(QStringLiteral(", "));
}

} // namespace Luoghi
