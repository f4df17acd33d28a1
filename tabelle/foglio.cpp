// LettoreFoglio: tells an .xlsx from an .ods by the archive's content, picks the sheet by one rule for both,
// and gives the rows of the format's reader (lettorexlsx.cpp, lettoreods.cpp) in order, empty ones included.
#include "foglio.h"

#include "formati.h"

#include <QBuffer>
#include <QFile>

namespace Fogli {

int sceltaFoglio(const QStringList &nomi, const QString &foglio, bool tutti)
{
    if (foglio.isEmpty())
        return nomi.isEmpty() ? -1 : 0;
    if (const qsizetype i = nomi.indexOf(foglio); i >= 0)
        return static_cast<int>(i);
    if (!tutti)
        return -1;
    for (qsizetype i = 0; i < nomi.size(); ++i) {
        if (nomi[i].compare(foglio, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    bool numero = false;
    const int n = foglio.toInt(&numero);
    return numero && n >= 1 && n <= nomi.size() ? n - 1 : -1;
}

QString msgFoglioAssente(const QString &foglio, const QStringList &nomi)
{
    if (nomi.isEmpty())
        return QStringLiteral("Il file non contiene fogli");
    return QStringLiteral("Il foglio \"%1\" non esiste; fogli presenti: %2")
        .arg(foglio, nomi.join(QStringLiteral(", ")));
}

namespace {

const QString kNonFoglio = QStringLiteral("Il file è un archivio zip ma non un foglio di calcolo .xlsx o .ods");

// The workbook part of an .xlsx, named in its content types; empty with *errore set when there is none.
QString libroXlsx(Archivio &archivio, QString *errore)
{
    const QString nome = QStringLiteral("[Content_Types].xml");
    QByteArray tipi;
    if (!archivio.leggiParte(nome, &tipi)) {
        *errore = archivio.errore().isEmpty() ? kNonFoglio : archivio.errore();
        return {};
    }
    QString libro;
    const bool letto = scorriXml(tipi, nome, errore, [&](QXmlStreamReader &x) {
        const QStringView ct = x.attributes().value(QLatin1String("ContentType"));
        if (x.name() == u"Override" &&
            (ct == u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml" ||
             ct == u"application/vnd.ms-excel.sheet.macroEnabled.main+xml" ||
             ct == u"application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"))
            libro = x.attributes().value(QLatin1String("PartName")).toString();
    });
    if (letto && libro.isEmpty())
        *errore = tipi.contains("wordprocessingml") || tipi.contains("presentationml")
                      ? QStringLiteral("Il file è un documento Office ma non un foglio di calcolo")
                      : kNonFoglio;
    return letto ? libro : QString();
}

// Whether an .ods is protected by a password: its parts are encrypted, as its manifest says (their zip
// entries are not), or the whole of it is, as one encrypted package.
bool odsCifrato(Archivio &archivio)
{
    QByteArray manifesto;
    return archivio.trova(QStringLiteral("encrypted-package")) >= 0 ||
           (archivio.leggiParte(QStringLiteral("META-INF/manifest.xml"), &manifesto, kParteMinore) &&
            manifesto.contains("encryption-data"));
}

} // namespace

// In the order they are made: the bytes an archive may be read from, the archive, what is read from it.
struct LettoreFoglio::Stato {
    QByteArray datiInMemoria;
    Archivio archivio;
    Formato formato = Formato::Sconosciuto;
    QString errore;
    Apertura aperto;
    bool cercaUnite = true;
    qint64 emesse = 0; // the number of the last row given
    Riga attesa;       // a row read ahead of an empty stretch
    bool inAttesa = false;
    bool fine = false;
};

LettoreFoglio::LettoreFoglio()
    : m(std::make_unique<Stato>())
{}

LettoreFoglio::~LettoreFoglio() = default;

void LettoreFoglio::impostaAreeUnite(bool cerca)
{
    m->cercaUnite = cerca;
}

void LettoreFoglio::impostaLimiti(qint64 espansioneMassima, qint64 rapportoMassimo)
{
    m->archivio.limiti = {espansioneMassima, rapportoMassimo};
}

QString LettoreFoglio::errore() const
{
    return m->errore;
}

LettoreFoglio::Formato LettoreFoglio::formato() const
{
    return m->formato;
}

QString LettoreFoglio::nomeFoglio() const
{
    return m->aperto.nome;
}

QStringList LettoreFoglio::fogli() const
{
    return m->aperto.fogli;
}

QStringList LettoreFoglio::tuttiIFogli()
{
    if (m->aperto.sorgente)
        m->aperto.fogli = m->aperto.sorgente->tuttiIFogli();
    return m->aperto.fogli;
}

double LettoreFoglio::frazione() const
{
    return m->aperto.sorgente ? m->aperto.sorgente->frazione() : 0.0;
}

// A new state for a new file, keeping the settings.
void LettoreFoglio::ricomincia()
{
    auto nuovo = std::make_unique<Stato>();
    nuovo->archivio.limiti = m->archivio.limiti;
    nuovo->cercaUnite = m->cercaUnite;
    m = std::move(nuovo);
}

bool LettoreFoglio::apri(const QString &percorso, const QString &foglio)
{
    ricomincia();
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly)) {
        m->errore = QStringLiteral("Impossibile aprire il file: ") + f.errorString();
        return false;
    }
    m->errore = descriviNonFoglio(f);
    f.close();
    if (!m->errore.isEmpty())
        return false;
    if (!m->archivio.apriFile(percorso)) {
        m->errore = m->archivio.errore();
        return false;
    }
    return avvia(foglio);
}

bool LettoreFoglio::apriDati(const QByteArray &dati, const QString &foglio)
{
    ricomincia();
    QByteArray copia = dati;
    QBuffer b(&copia);
    b.open(QIODevice::ReadOnly);
    m->errore = descriviNonFoglio(b);
    if (!m->errore.isEmpty())
        return false;
    m->datiInMemoria = dati;
    if (!m->archivio.apriDati(m->datiInMemoria)) {
        m->errore = m->archivio.errore();
        return false;
    }
    return avvia(foglio);
}

// Tells the format by the archive's content (the OpenDocument mimetype, or the OOXML content types) and opens
// the sheet through its reader.
bool LettoreFoglio::avvia(const QString &foglio)
{
    Stato &s = *m;
    Archivio &archivio = s.archivio;
    QByteArray mime;
    if (archivio.leggiParte(QStringLiteral("mimetype"), &mime, 4096)) {
        if (mime.trimmed() == "application/vnd.oasis.opendocument.spreadsheet") {
            s.formato = Formato::Ods;
            s.aperto = odsCifrato(archivio) ? Apertura{nullptr, {}, {}, msgPassword()} : apriOds(archivio, foglio);
        } else {
            s.errore = mime.startsWith("application/vnd.oasis.opendocument")
                           ? QStringLiteral("Il file è un documento OpenDocument ma non un foglio di calcolo")
                           : kNonFoglio;
        }
    } else if (!archivio.errore().isEmpty()) {
        s.errore = archivio.errore();
    } else if (const QString libro = libroXlsx(archivio, &s.errore); !libro.isEmpty()) {
        s.formato = Formato::Xlsx;
        s.aperto = apriXlsx(archivio, libro, foglio, s.cercaUnite);
    }
    if (s.errore.isEmpty())
        s.errore = s.aperto.errore;
    if (!s.errore.isEmpty())
        s.aperto.sorgente.reset();
    return s.aperto.sorgente != nullptr;
}

bool LettoreFoglio::leggiRiga(Riga &riga)
{
    Stato &s = *m;
    if (!s.aperto.sorgente || s.fine)
        return false;
    if (!s.inAttesa) {
        if (!s.aperto.sorgente->prossima(s.attesa)) {
            s.errore = s.aperto.sorgente->errore();
            s.fine = true;
            return false;
        }
        while (!s.attesa.celle.empty() && s.attesa.celle.back().vuota() && !s.attesa.celle.back().unita)
            s.attesa.celle.pop_back();
        s.inAttesa = true;
    }
    ++s.emesse;
    if (s.attesa.numero > s.emesse) {
        riga.numero = s.emesse;
        riga.celle.clear();
        return true;
    }
    s.inAttesa = false;
    std::swap(riga, s.attesa);
    return true;
}

} // namespace Fogli
