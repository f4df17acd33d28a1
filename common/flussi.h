#pragma once

#include <memory>

#include <QIODevice>
#include <QStringDecoder>

class QFile;

// The standard streams of a command-line program, the same on every platform: bytes as they are (Windows
// would otherwise turn LF into CR LF and stop reading at Ctrl+Z), and text that a console shows right.
namespace Flussi {

enum class Flusso { Ingresso, Uscita, Errori };

// Whether the stream is a terminal, that is a person reads or types it (a console on Windows).
bool terminale(Flusso flusso);

// Ctrl-C, a request to terminate and, where the platform has it, the closing of the terminal call `gestore`
// with the signal's number; a system call it interrupts goes on.
void intercettaInterruzioni(void (*gestore)(int));

// Opens `file` on the standard stream, in binary mode. The file does not close the stream.
bool apri(QFile &file, Flusso flusso, QIODevice::OpenMode modo);

// The path by which the standard input can be opened again by name ("/dev/stdin"); empty where there is
// none (Windows): a reader that needs a name gets a copy in a file.
QString percorsoIngresso();

// Standard output or error as a device for UTF-8 text (a QTextStream's): on a Windows console each
// character goes to the console as it is, whatever the console's code page; elsewhere, and into a pipe or
// a file, the UTF-8 bytes as they come.
class Testo final : public QIODevice
{
public:
    explicit Testo(Flusso flusso);
    ~Testo() override;
    bool isSequential() const override { return true; }
    // Whether it writes characters to a console rather than bytes.
    bool console() const { return m_console != nullptr; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *dati, qint64 quanti) override;

private:
    std::unique_ptr<QFile> m_file;
    void *m_console = nullptr; // the console's handle, on Windows
    QStringDecoder m_decodifica{QStringDecoder::Utf8}; // keeps a character cut between two writes
};

} // namespace Flussi
