#pragma once

// Shared by the fuzz targets: checks that hold in every build type, and texts that end exactly where their
// characters end, so that reading one character past a text is caught by AddressSanitizer (a QString keeps
// a terminating null and spare room after its characters, where such a read would go unnoticed).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <QByteArray>
#include <QString>

#define VERIFICA(condizione) ((condizione) ? void(0) : Fuzz::fallisce(#condizione, __FILE__, __LINE__))

namespace Fuzz {

[[noreturn]] inline void fallisce(const char *condizione, const char *file, int riga)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, riga, condizione);
    std::abort();
}

// The fuzz input as a text: UTF-8 (readable seeds), or, when the first byte is 0xFF (never in UTF-8), the
// following bytes as UTF-16 code units, little endian, so that any character a paste can bring turns up,
// lone surrogates included.
inline QString testoDa(const uint8_t *dati, size_t n)
{
    if (n > 0 && dati[0] == 0xFF) {
        QString testo;
        for (size_t i = 1; i + 1 < n; i += 2)
            testo.append(QChar(static_cast<char16_t>(dati[i] | (dati[i + 1] << 8))));
        return testo;
    }
    return QString::fromUtf8(reinterpret_cast<const char *>(dati), static_cast<qsizetype>(n));
}

// A copy of a text in a heap block of exactly its length.
class TestoEsatto
{
public:
    explicit TestoEsatto(const QString &testo)
        : m_buffer(new char16_t[static_cast<size_t>(testo.size())])
    {
        if (!testo.isEmpty())
            std::memcpy(m_buffer.get(), testo.utf16(), sizeof(char16_t) * static_cast<size_t>(testo.size()));
        m_testo = QString::fromRawData(reinterpret_cast<const QChar *>(m_buffer.get()), testo.size());
    }
    TestoEsatto(const TestoEsatto &) = delete;
    TestoEsatto &operator=(const TestoEsatto &) = delete;

    const QString &testo() const { return m_testo; }

private:
    std::unique_ptr<char16_t[]> m_buffer;
    QString m_testo;
};

} // namespace Fuzz
