#pragma once

#include <cstring>

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QResource>
#include <QString>
#include <QtEndian>

// Pictures decoded when the program is built. Decoding a PNG costs more than all the rest of building the
// main window, so the build also stores the decoded rows of the start-up pictures, as resources under
// ":/decodificate" beside the PNG (tools/immagini/decodifica_immagine.cpp, cmake/ImmaginiDecodificate.cmake),
// and the program copies them into a pixmap. The rows are in the byte order of the machine that builds.
namespace ImmaginiDecodificate {

// Signature, width, height and QImage format, 32 bits each, little-endian; then the rows, 4 bytes a pixel.
constexpr char kFirma[4] = {'S', 'P', 'I', 'D'};
constexpr qsizetype kTestata = 16;
constexpr quint32 kLatoMassimo = 4096;

// The picture as the raster pixmap of a PNG holds it: premultiplied when it has an alpha channel.
inline QByteArray codifica(const QImage &immagine)
{
    if (immagine.isNull() || quint32(immagine.width()) > kLatoMassimo || quint32(immagine.height()) > kLatoMassimo)
        return {};
    const QImage::Format formato =
        immagine.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QImage righe = immagine.convertToFormat(formato);
    QByteArray dati(kTestata, '\0');
    std::memcpy(dati.data(), kFirma, sizeof kFirma);
    qToLittleEndian<quint32>(quint32(righe.width()), dati.data() + 4);
    qToLittleEndian<quint32>(quint32(righe.height()), dati.data() + 8);
    qToLittleEndian<quint32>(quint32(formato), dati.data() + 12);
    const qsizetype riga = qsizetype(righe.width()) * 4;
    for (int y = 0; y < righe.height(); ++y)
        dati.append(reinterpret_cast<const char *>(righe.constScanLine(y)), riga);
    return dati;
}

// A null image for anything that codifica did not write.
inline QImage decodifica(const uchar *dati, qsizetype dimensione)
{
    if (!dati || dimensione < kTestata || std::memcmp(dati, kFirma, sizeof kFirma) != 0)
        return {};
    const quint32 larghezza = qFromLittleEndian<quint32>(dati + 4);
    const quint32 altezza = qFromLittleEndian<quint32>(dati + 8);
    const quint32 formato = qFromLittleEndian<quint32>(dati + 12);
    if (formato != QImage::Format_RGB32 && formato != QImage::Format_ARGB32_Premultiplied)
        return {};
    if (larghezza == 0 || altezza == 0 || larghezza > kLatoMassimo || altezza > kLatoMassimo)
        return {};
    const qsizetype riga = qsizetype(larghezza) * 4;
    if (dimensione != kTestata + riga * altezza)
        return {};
    QImage immagine(static_cast<int>(larghezza), static_cast<int>(altezza), static_cast<QImage::Format>(formato));
    if (immagine.isNull())
        return {};
    // Row by row: the resource data need not be aligned as an image's rows must be.
    for (quint32 y = 0; y < altezza; ++y)
        std::memcpy(immagine.scanLine(int(y)), dati + kTestata + riga * y, size_t(riga));
    return immagine;
}

// The picture of the resource `risorsa` (":/app/images/centro.png"): from its decoded copy when the build
// made one, else from the PNG itself.
inline QPixmap pixmap(const QString &risorsa)
{
    if (risorsa.startsWith(QLatin1String(":/"))) {
        const QResource copia(QStringLiteral(":/decodificate/") + risorsa.mid(2));
        if (copia.isValid() && copia.compressionAlgorithm() == QResource::NoCompression) {
            const QImage immagine = decodifica(copia.data(), copia.size());
            if (!immagine.isNull())
                return QPixmap::fromImage(immagine);
        }
    }
    return QPixmap(risorsa);
}

} // namespace ImmaginiDecodificate
