#include "flussi.h"

#include <csignal>
#include <cstdio>

#include <QFile>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace Flussi {

namespace {

int descrittore(Flusso flusso)
{
    switch (flusso) {
    case Flusso::Ingresso: return 0;
    case Flusso::Uscita: return 1;
    case Flusso::Errori: return 2;
    }
    return -1;
}

#ifdef Q_OS_WIN
// The console behind the stream, or null when the stream goes to a pipe or a file.
HANDLE consoleDi(Flusso flusso)
{
    const DWORD quale = flusso == Flusso::Ingresso ? STD_INPUT_HANDLE
                        : flusso == Flusso::Uscita ? STD_OUTPUT_HANDLE
                                                   : STD_ERROR_HANDLE;
    HANDLE h = GetStdHandle(quale);
    DWORD modo = 0;
    return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &modo) ? h : nullptr;
}
#endif

} // namespace

bool terminale(Flusso flusso)
{
#ifdef Q_OS_WIN
    return consoleDi(flusso) != nullptr;
#else
    return ::isatty(descrittore(flusso)) != 0;
#endif
}

bool apri(QFile &file, Flusso flusso, QIODevice::OpenMode modo)
{
    const int fd = descrittore(flusso);
#ifdef Q_OS_WIN
    ::_setmode(fd, _O_BINARY);
#endif
    return file.open(fd, modo, QFileDevice::DontCloseHandle);
}

QString percorsoIngresso()
{
#ifdef Q_OS_WIN
    return QString();
#else
    return QStringLiteral("/dev/stdin");
#endif
}

Testo::Testo(Flusso flusso)
    : m_file(std::make_unique<QFile>())
{
#ifdef Q_OS_WIN
    m_console = consoleDi(flusso);
#endif
    if (!m_console)
        apri(*m_file, flusso, QIODevice::WriteOnly | QIODevice::Unbuffered);
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

Testo::~Testo() = default;

qint64 Testo::writeData(const char *dati, qint64 quanti)
{
#ifdef Q_OS_WIN
    if (m_console) {
        const QString testo = m_decodifica.decode(QByteArrayView(dati, quanti));
        for (qsizetype fatto = 0; fatto < testo.size();) {
            DWORD scritti = 0;
            const auto pezzo = static_cast<DWORD>(qMin<qsizetype>(testo.size() - fatto, 16384));
            if (!WriteConsoleW(static_cast<HANDLE>(m_console), testo.utf16() + fatto, pezzo, &scritti, nullptr) ||
                scritti == 0)
                return -1;
            fatto += scritti;
        }
        return quanti;
    }
#endif
    return m_file->write(dati, quanti);
}

void intercettaInterruzioni(void (*gestore)(int))
{
#ifdef Q_OS_WIN
    for (int numero : {SIGINT, SIGTERM, SIGBREAK})
        std::signal(numero, gestore);
#else
    struct sigaction azione = {};
    azione.sa_handler = gestore;
    sigemptyset(&azione.sa_mask);
    azione.sa_flags = SA_RESTART;
    for (int numero : {SIGINT, SIGTERM, SIGHUP})
        sigaction(numero, &azione, nullptr);
#endif
}

} // namespace Flussi
