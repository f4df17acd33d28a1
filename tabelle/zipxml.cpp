#include "zipxml.h"

#include "foglio.h"

#include <algorithm>

#include <QFile>

namespace Fogli {

namespace {

constexpr qint64 kTokenMassimo = 4 * kMiB;    // XML fed without a token coming out: one huge element
constexpr qint64 kSogliaRapporto = 16 * kMiB; // below this a part may grow by any ratio
constexpr qint64 kBlocco = qint64(256) * 1024;

} // namespace

const QString kDanneggiato = QStringLiteral("Il file è danneggiato o incompleto");

QString msgEspansione()
{
    return QStringLiteral("Il file si espande oltre il limite consentito: archivio anomalo o malevolo, non letto");
}

QString msgRighe()
{
    return QStringLiteral("Il foglio supera il limite di 1.048.576 righe");
}

QString msgColonne()
{
    return QStringLiteral("Il foglio supera il limite di 16.384 colonne");
}

QString msgCellaLunga()
{
    return QStringLiteral("Una cella del foglio supera 32.767 caratteri");
}

QString msgDtd(const QString &parte)
{
    return kDanneggiato + QStringLiteral(" (") + parte +
           QStringLiteral(": dichiarazioni DTD, che un foglio di calcolo non contiene)");
}

QString msgXml(const QString &parte, qint64 riga)
{
    return kDanneggiato + QStringLiteral(" (") + parte + QStringLiteral(", riga ") + QString::number(riga) +
           QStringLiteral(": XML non valido)");
}

// ---------------------------------------------------------------------------------------------------------

Archivio::~Archivio()
{
    if (m_zip)
        zip_discard(m_zip);
}

bool Archivio::apriFile(const QString &percorso)
{
    int codice = 0;
    m_zip = zip_open(QFile::encodeName(percorso).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &codice);
    if (!m_zip)
        m_errore = kDanneggiato + QStringLiteral(" (archivio zip non valido)");
    return m_zip != nullptr;
}

bool Archivio::apriDati(const QByteArray &dati)
{
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t *src = zip_source_buffer_create(dati.constData(), static_cast<zip_uint64_t>(dati.size()), 0, &ze);
    if (src)
        m_zip = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &ze);
    if (src && !m_zip)
        zip_source_free(src);
    zip_error_fini(&ze);
    if (!m_zip)
        m_errore = kDanneggiato + QStringLiteral(" (archivio zip non valido)");
    return m_zip != nullptr;
}

zip_int64_t Archivio::trova(const QString &nome) const
{
    return zip_name_locate(m_zip, nome.toUtf8().constData(), 0);
}

bool Archivio::leggiParte(const QString &nome, QByteArray *fuori, qint64 limite)
{
    m_errore.clear();
    const zip_int64_t i = trova(nome);
    if (i < 0)
        return false;
    ParteZip p(*this, i, limite);
    fuori->clear();
    for (QByteArray b = p.leggi(); !b.isEmpty(); b = p.leggi())
        fuori->append(b);
    m_errore = p.errore();
    return m_errore.isEmpty();
}

// ---------------------------------------------------------------------------------------------------------

ParteZip::ParteZip(const Archivio &archivio, zip_int64_t indice, qint64 limite)
{
    apri(archivio.zip(), indice, limite, archivio.limiti.rapporto);
}

void ParteZip::apri(zip_t *zip, zip_int64_t indice, qint64 limite, qint64 rapporto)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip, static_cast<zip_uint64_t>(indice), 0, &st) != 0) {
        m_errore = kDanneggiato;
        return;
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
        m_errore = msgPassword();
        return;
    }
    const qint64 compresso = (st.valid & ZIP_STAT_COMP_SIZE) ? static_cast<qint64>(st.comp_size) : 0;
    m_dimensione = (st.valid & ZIP_STAT_SIZE) ? static_cast<qint64>(st.size) : 0;
    m_limite = limite;
    if (rapporto > 0 && compresso > 0 && compresso < limite / rapporto)
        m_limite = std::max(kSogliaRapporto, compresso * rapporto);
    if ((st.valid & ZIP_STAT_SIZE) && static_cast<qint64>(st.size) > m_limite) {
        m_errore = msgEspansione();
        return;
    }
    m_file = zip_fopen_index(zip, static_cast<zip_uint64_t>(indice), 0);
    if (!m_file) {
        const int codice = zip_error_code_zip(zip_get_error(zip));
        m_errore = (codice == ZIP_ER_NOPASSWD || codice == ZIP_ER_WRONGPASSWD || codice == ZIP_ER_ENCRNOTSUPP)
                       ? msgPassword()
                       : kDanneggiato;
    }
}

ParteZip::~ParteZip()
{
    if (m_file)
        zip_fclose(m_file);
}

double ParteZip::frazione() const
{
    return m_dimensione > 0 ? std::min(1.0, static_cast<double>(m_letti) / static_cast<double>(m_dimensione)) : 0.0;
}

QByteArray ParteZip::leggi()
{
    if (!m_file || m_fine)
        return {};
    QByteArray blocco(kBlocco, Qt::Uninitialized);
    const zip_int64_t n = zip_fread(m_file, blocco.data(), static_cast<zip_uint64_t>(blocco.size()));
    m_fine = n <= 0;
    if (n < 0)
        m_errore = kDanneggiato;
    if (n <= 0)
        return {};
    m_letti += n;
    if (m_letti > m_limite) {
        m_errore = msgEspansione();
        m_fine = true;
        return {};
    }
    blocco.truncate(static_cast<qsizetype>(n));
    return blocco;
}

// ---------------------------------------------------------------------------------------------------------

XmlParte::XmlParte(const Archivio &archivio, zip_int64_t indice, qint64 limite, QString nome)
    : m_parte(archivio, indice, limite)
    , m_nome(std::move(nome))
{
    m_errore = m_parte.errore();
}

// Feeds the next block after the reader asked for more; false at the end of the part or on an error.
bool XmlParte::aggiungi()
{
    const QByteArray blocco = m_parte.leggi();
    if (!m_parte.errore().isEmpty()) {
        m_errore = m_parte.errore();
        return false;
    }
    if (blocco.isEmpty()) {
        m_errore = kDanneggiato + QStringLiteral(" (") + m_nome + QStringLiteral(" troncato)");
        return false;
    }
    m_senzaToken += blocco.size();
    if (m_senzaToken > kTokenMassimo) {
        m_errore = kDanneggiato + QStringLiteral(" (") + m_nome + QStringLiteral(": elemento XML oltre 4 MiB)");
        return false;
    }
    m_xml.addData(blocco);
    return true;
}

QXmlStreamReader::TokenType XmlParte::prossimo()
{
    if (!m_errore.isEmpty())
        return QXmlStreamReader::Invalid;
    for (;;) {
        const auto t = m_xml.readNext();
        if (t == QXmlStreamReader::Invalid && m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
            if (!aggiungi())
                return QXmlStreamReader::Invalid;
            continue;
        }
        m_senzaToken = 0;
        if (t == QXmlStreamReader::DTD) {
            m_errore = msgDtd(m_nome);
            return QXmlStreamReader::Invalid;
        }
        if (t == QXmlStreamReader::Invalid)
            m_errore = msgXml(m_nome, m_xml.lineNumber());
        return t == QXmlStreamReader::EndDocument ? QXmlStreamReader::Invalid : t;
    }
}

bool XmlParte::testo(QString &fuori, QStringView salta)
{
    int profondita = 1;
    int saltando = 0;
    while (profondita > 0) {
        const auto t = prossimo();
        if (t == QXmlStreamReader::Invalid) {
            if (m_errore.isEmpty())
                m_errore = kDanneggiato;
            return false;
        }
        if (t == QXmlStreamReader::StartElement) {
            ++profondita;
            if (saltando > 0 || (!salta.isEmpty() && m_xml.name() == salta))
                ++saltando;
        } else if (t == QXmlStreamReader::EndElement) {
            --profondita;
            if (saltando > 0)
                --saltando;
        } else if (t == QXmlStreamReader::Characters && saltando == 0) {
            if (fuori.size() + m_xml.text().size() > qsizetype(kTestoMassimo) * 2) {
                m_errore = msgCellaLunga();
                return false;
            }
            fuori += m_xml.text();
        }
    }
    return true;
}

bool XmlParte::salta()
{
    int profondita = 1;
    while (profondita > 0) {
        const auto t = prossimo();
        if (t == QXmlStreamReader::Invalid) {
            if (m_errore.isEmpty())
                m_errore = kDanneggiato;
            return false;
        }
        if (t == QXmlStreamReader::StartElement)
            ++profondita;
        else if (t == QXmlStreamReader::EndElement)
            --profondita;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------

bool scorriXml(const QByteArray &dati, const QString &nome, QString *errore,
               const std::function<void(QXmlStreamReader &)> &elemento)
{
    QXmlStreamReader x(dati);
    while (!x.atEnd()) {
        const auto t = x.readNext();
        if (t == QXmlStreamReader::DTD) {
            *errore = msgDtd(nome);
            return false;
        }
        if (t == QXmlStreamReader::StartElement)
            elemento(x);
    }
    if (x.hasError()) {
        *errore = msgXml(nome, x.lineNumber());
        return false;
    }
    return true;
}

} // namespace Fogli
