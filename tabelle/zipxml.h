#pragma once

// The parts of a sheet file's zip archive, inflated a block at a time under a cap, and QXmlStreamReader fed
// from them without a DTD (so no entity expansion) and without an element beyond 4 MiB. Used by the .xlsx
// and .ods readers; not part of the engine's interface.

#include <functional>

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include <zip.h>

namespace Fogli {

constexpr qint64 kMiB = qint64(1024) * 1024;
constexpr qint64 kParteMinore = 64 * kMiB; // workbook, relations, styles, content types
constexpr int kTestoMassimo = 32767;       // characters in a cell, as in Excel
constexpr qint64 kMassimoInCoda = 1000000; // merged areas, styles: beyond this the file is not a sheet's

// The reader's messages, each worded once.
extern const QString kDanneggiato; // "Il file è danneggiato o incompleto"
QString msgEspansione();
QString msgRighe();
QString msgColonne();
QString msgCellaLunga();
QString msgDtd(const QString &parte);
QString msgXml(const QString &parte, qint64 riga);

// How far a part may expand: at most `espansione` bytes, and beyond a first 16 MiB at most `rapporto` times
// its compressed size.
struct Limiti {
    qint64 espansione = 4096 * kMiB;
    qint64 rapporto = 250;
};

// The archive, opened from a file or from bytes in memory (which must outlive it).
class Archivio final
{
public:
    Archivio() = default;
    ~Archivio();
    Archivio(const Archivio &) = delete;
    Archivio &operator=(const Archivio &) = delete;

    bool apriFile(const QString &percorso);
    bool apriDati(const QByteArray &dati);
    zip_t *zip() const { return m_zip; }
    // The index of a part, -1 when the archive has none so named.
    zip_int64_t trova(const QString &nome) const;
    // A small part whole; false when it is missing (errore() empty) or cannot be read (errore() set).
    bool leggiParte(const QString &nome, QByteArray *fuori, qint64 limite = kParteMinore);
    const QString &errore() const { return m_errore; }

    Limiti limiti;

private:
    zip_t *m_zip = nullptr;
    QString m_errore;
};

// One part of the archive, inflated a block at a time, within the limits.
class ParteZip final
{
public:
    ParteZip(const Archivio &archivio, zip_int64_t indice, qint64 limite);
    ~ParteZip();
    ParteZip(const ParteZip &) = delete;
    ParteZip &operator=(const ParteZip &) = delete;

    // The next block; empty at the end or on an error (then errore() is set).
    QByteArray leggi();
    // How much of the part has been inflated, 0 to 1 (0 when its size is unknown).
    double frazione() const;
    const QString &errore() const { return m_errore; }

private:
    void apri(zip_t *zip, zip_int64_t indice, qint64 limite, qint64 rapporto);

    zip_file_t *m_file = nullptr;
    qint64 m_limite = 0;
    qint64 m_letti = 0;
    qint64 m_dimensione = 0; // inflated, as the archive states it; 0 when unknown
    bool m_fine = false;
    QString m_errore;
};

// QXmlStreamReader fed from a part: no DTD, no element longer than 4 MiB.
class XmlParte final
{
public:
    XmlParte(const Archivio &archivio, zip_int64_t indice, qint64 limite, QString nome);

    // The next token; Invalid at the end of the document or on an error (then errore() is set).
    QXmlStreamReader::TokenType prossimo();
    // The text of the current element and of the elements inside it, which it consumes; stops at the
    // matching end element. Elements named `salta` are left out with their content.
    bool testo(QString &fuori, QStringView salta = {});
    // Consumes the current element with its content.
    bool salta();

    QXmlStreamReader &xml() { return m_xml; }
    double frazione() const { return m_parte.frazione(); }
    const QString &errore() const { return m_errore; }
    void imposta(const QString &e) { m_errore = e; }

private:
    bool aggiungi();

    ParteZip m_parte;
    QString m_nome;
    QXmlStreamReader m_xml;
    QString m_errore;
    qint64 m_senzaToken = 0;
};

// Reads a small XML part held whole; false with *errore set when it declares a DTD or is not well formed.
// `elemento` is called at each start element.
bool scorriXml(const QByteArray &dati, const QString &nome, QString *errore,
               const std::function<void(QXmlStreamReader &)> &elemento);

} // namespace Fogli
