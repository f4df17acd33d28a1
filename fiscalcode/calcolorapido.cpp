#include "calcolorapido.h"

#include "calcolo.h"
#include "cp1252.h"
#include "regole.h"

namespace Fiscale {

CalcoloRapido::CalcoloRapido()
{
    for (size_t b = 0; b < 256; ++b) {
        const QChar c = Cp1252::decodificaByte(static_cast<unsigned char>(b));
        const QString compatto = compattastringa(QString(c));
        bool lettere = false;
        for (QChar x : compatto)
            lettere = lettere || (x >= u'A' && x <= u'Z');
        if (!lettere)
            m_lettera[b] = 0;
        else if (compatto.size() == 1)
            m_lettera[b] = static_cast<unsigned char>(compatto[0].unicode());
        else
            m_lettera[b] = kIncerta;
        const int m = Cp1252::byteDi(Cp1252::maiuscola(c));
        m_maiuscola[b] = m > 0 ? static_cast<unsigned char>(m) : 0;
    }
}

bool CalcoloRapido::treLettere(QByteArrayView testo, bool delNome, char *tre) const
{
    char consonanti[4], vocali[3];
    int nc = 0, nv = 0;
    for (char ch : testo) {
        const unsigned char l = m_lettera[static_cast<unsigned char>(ch)];
        if (l == 0)
            continue;
        if (l == kIncerta)
            return false;
        if (l == 'A' || l == 'E' || l == 'I' || l == 'O' || l == 'U') {
            if (nv < 3)
                vocali[nv++] = static_cast<char>(l);
        } else if (nc < 4) {
            consonanti[nc++] = static_cast<char>(l);
        }
    }
    if (nc + nv == 0) // no letters: the general path, which may have a message for it
        return false;
    if (delNome && nc == 4) { // of four or more consonants of a name, the first, third and fourth
        consonanti[1] = consonanti[2];
        consonanti[2] = consonanti[3];
    }
    nc = qMin(nc, 3);
    int k = 0;
    for (int i = 0; i < nc; ++i)
        tre[k++] = consonanti[i];
    for (int i = 0; i < nv && k < 3; ++i)
        tre[k++] = vocali[i];
    while (k < 3)
        tre[k++] = 'X';
    return true;
}

bool CalcoloRapido::maiuscole(char *testo, qsizetype lunghezza) const
{
    for (qsizetype i = 0; i < lunghezza; ++i) {
        const unsigned char m = m_maiuscola[static_cast<unsigned char>(testo[i])];
        if (m == 0)
            return false;
        testo[i] = static_cast<char>(m);
    }
    return true;
}

bool CalcoloRapido::codice(QByteArrayView cognome, QByteArrayView nome, bool femmina, int giorno, int mese, int anno,
                           QByteArrayView catastale, char *codice) const
{
    if (anno < 100 || mese < 1 || mese > 12 || giorno < 1 || giorno > 31 || catastale.size() != 4 ||
        catastale[0] < 'A' || catastale[0] > 'Z')
        return false;
    for (int i = 1; i < 4; ++i) {
        if (catastale[i] < '0' || catastale[i] > '9')
            return false;
    }
    if (!treLettere(cognome, false, codice) || !treLettere(nome, true, codice + 3))
        return false;
    codice[6] = static_cast<char>('0' + anno % 100 / 10);
    codice[7] = static_cast<char>('0' + anno % 10);
    codice[8] = kLettereMese[static_cast<size_t>(mese - 1)];
    const int g = giorno + (femmina ? 40 : 0);
    codice[9] = static_cast<char>('0' + g / 10);
    codice[10] = static_cast<char>('0' + g % 10);
    std::copy(catastale.begin(), catastale.end(), codice + 11);
    codice[15] = letteraControllo(codice);
    return true;
}

} // namespace Fiscale
