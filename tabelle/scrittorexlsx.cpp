#include "scrittorexlsx.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include "sostituzione.h"

namespace Fogli {

namespace {

// The buffer of libxlsxwriter's temporary file of rows.
constexpr size_t kMemoriaTemporaneo = size_t(1) << 20;

// The characters of testoVisibile() for a number, without building the text: the column width wants only
// their count.

int larghezzaNumero(double v)
{
    char buf[400];
    const double a = std::fabs(v);
    const std::to_chars_result r = (a == 0 || (a >= 1e-6 && a < 1e21))
                                       ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed)
                                       : std::to_chars(buf, buf + sizeof buf, v);
    const auto n = static_cast<int>(r.ptr - buf);
    return n == 2 && buf[0] == '-' && buf[1] == '0' ? 1 : n;
}

} // namespace

struct ScrittoreXlsx::Stato {
    QString percorso;
    QByteArray nomeFoglio; // UTF-8; empty for libxlsxwriter's own
    QString temporaneo;
    QByteArray cartella; // libxlsxwriter's own temporary files, unlinked as soon as made
    lxw_workbook *libro = nullptr;
    lxw_worksheet *foglio = nullptr;
    lxw_format *intestazione = nullptr;
    // [evidenziata][0 plain, 1 date, 2 date and time]
    lxw_format *formati[2][3] = {};
    std::vector<double> larghezze;
    std::vector<std::vector<Cella>> sopra; // the rows above the header
    lxw_row_t riga = 0;
    lxw_row_t intestazioneA = 0; // the header's row
    int colonne = 0;
    QString errore;
    bool chiuso = false;
    std::string utf8; // the text of the cell being written, its buffer kept from cell to cell
    std::unique_ptr<char[]> memoria; // the buffer of libxlsxwriter's temporary file, until workbook_close

    // The UTF-8 of a cell's text, NUL-terminated, in `utf8`: without QString::toUtf8's allocation per cell.
    // A lone surrogate becomes U+FFFD, as QString::toUtf8 makes it.
    const char *inUtf8(const QString &t)
    {
        utf8.clear();
        const char16_t *p = reinterpret_cast<const char16_t *>(t.constData());
        const char16_t *fine = p + t.size();
        while (p < fine) {
            char32_t u = *p++;
            if (u < 0x80) {
                utf8 += static_cast<char>(u);
                continue;
            }
            if (u >= 0xD800 && u < 0xDC00 && p < fine && *p >= 0xDC00 && *p < 0xE000)
                u = 0x10000 + ((u - 0xD800) << 10) + (*p++ - 0xDC00);
            else if (u >= 0xD800 && u < 0xE000)
                u = 0xFFFD;
            if (u < 0x800) {
                utf8 += static_cast<char>(0xC0 | (u >> 6));
            } else {
                if (u < 0x10000) {
                    utf8 += static_cast<char>(0xE0 | (u >> 12));
                } else {
                    utf8 += static_cast<char>(0xF0 | (u >> 18));
                    utf8 += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
                }
                utf8 += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            }
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        }
        return utf8.c_str();
    }

    bool controlla(lxw_error e, const QString &dove)
    {
        if (e == LXW_NO_ERROR)
            return true;
        if (errore.isEmpty())
            errore = QStringLiteral("Impossibile scrivere %1 (%2): %3")
                         .arg(QFileInfo(percorso).fileName(), dove, QString::fromUtf8(lxw_strerror(e)));
        return false;
    }

    // The cells of row `riga`; false with errore set.
    bool scriviCelle(const std::vector<Cella> &celle, bool evidenziata)
    {
        const int e = evidenziata ? 1 : 0;
        const size_t n = std::max(celle.size(), evidenziata ? static_cast<size_t>(colonne) : size_t(0));
        if (n > static_cast<size_t>(LettoreFoglio::kColonneMassime)) {
            errore = QStringLiteral("Il risultato supera il limite di 16.384 colonne");
            return false;
        }
        for (size_t i = 0; i < n; ++i) {
            const auto c = static_cast<lxw_col_t>(i);
            const Cella vuota;
            const Cella &x = i < celle.size() ? celle[i] : vuota;
            lxw_error r = LXW_NO_ERROR;
            switch (x.tipo) {
            case TipoCella::Vuota:
                if (evidenziata)
                    r = worksheet_write_blank(foglio, riga, c, formati[e][0]);
                break;
            case TipoCella::Testo:
                if (x.testo.size() > 32767) {
                    errore = QStringLiteral("Una cella della riga %1 supera 32.767 caratteri").arg(riga + 1);
                    return false;
                }
                r = worksheet_write_string(foglio, riga, c, inUtf8(x.testo),
                                           evidenziata ? formati[e][0] : nullptr);
                allarga(i, static_cast<double>(x.testo.size()));
                break;
            case TipoCella::Numero:
                r = worksheet_write_number(foglio, riga, c, x.numero, evidenziata ? formati[e][0] : nullptr);
                allarga(i, static_cast<double>(larghezzaNumero(x.numero)));
                break;
            case TipoCella::Booleano:
                r = worksheet_write_boolean(foglio, riga, c, x.numero != 0, evidenziata ? formati[e][0] : nullptr);
                allarga(i, 6);
                break;
            case TipoCella::Data: {
                const bool conOra = x.ora.isValid() && x.ora.msecsSinceStartOfDay() > 0;
                const double giorno = numeroDaData(x.data, x.ora);
                if (giorno < 1) { // before 1900 a spreadsheet holds no date: the date as text
                    const QString t = testoVisibile(x);
                    r = worksheet_write_string(foglio, riga, c, t.toUtf8().constData(),
                                               evidenziata ? formati[e][0] : nullptr);
                } else {
                    r = worksheet_write_number(foglio, riga, c, giorno, formati[e][conOra ? 2 : 1]);
                }
                allarga(i, conOra ? 16 : 10);
                break;
            }
            }
            if (r != LXW_NO_ERROR) // the place is put into words only for the message
                return controlla(r, QStringLiteral("riga %1").arg(riga + 1));
        }
        return true;
    }

    void allarga(size_t colonna, double caratteri)
    {
        if (colonna >= larghezze.size())
            larghezze.resize(colonna + 1, 0);
        larghezze[colonna] = std::max(larghezze[colonna], caratteri);
    }
};

ScrittoreXlsx::ScrittoreXlsx(QString percorso)
    : m(std::make_unique<Stato>())
{
    m->percorso = std::move(percorso);
}

ScrittoreXlsx::~ScrittoreXlsx()
{
    if (!m->chiuso)
        annulla();
}

QString ScrittoreXlsx::errore() const
{
    return m->errore;
}

namespace {

// rw for everyone less the umask, read from /proc (umask() itself would change it for a moment, for every
// thread); 0644 when it cannot be read.
QFileDevice::Permissions permessiNuovoFile()
{
    unsigned maschera = 022;
    QFile stato(QStringLiteral("/proc/self/status"));
    if (stato.open(QIODevice::ReadOnly)) {
        for (QByteArray riga = stato.readLine(); !riga.isEmpty(); riga = stato.readLine()) {
            if (riga.startsWith("Umask:")) {
                bool ok = false;
                const unsigned letta = riga.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    maschera = letta;
                break;
            }
        }
    }
    const unsigned modo = 0666u & ~maschera;
    QFileDevice::Permissions p;
    const std::pair<unsigned, QFileDevice::Permission> bit[] = {
        {0400u, QFileDevice::ReadOwner},  {0200u, QFileDevice::WriteOwner}, {0040u, QFileDevice::ReadGroup},
        {0020u, QFileDevice::WriteGroup}, {0004u, QFileDevice::ReadOther},  {0002u, QFileDevice::WriteOther}};
    for (const auto &[b, permesso] : bit) {
        if ((modo & b) != 0)
            p |= permesso;
    }
    return p;
}

} // namespace

void ScrittoreXlsx::impostaNomeFoglio(const QString &nome)
{
    static const QString kVietati = QStringLiteral("[]:*?/\\");
    const bool ammesso = !nome.trimmed().isEmpty() && nome.size() <= 31 && !nome.startsWith(u'\'') &&
                         !nome.endsWith(u'\'') && nome.compare(QLatin1String("Riepilogo"), Qt::CaseInsensitive) != 0 &&
                         std::none_of(nome.begin(), nome.end(), [](QChar c) { return kVietati.contains(c); });
    m->nomeFoglio = ammesso ? nome.toUtf8() : QByteArray();
}

bool ScrittoreXlsx::apri(const QStringList &intestazioni)
{
    Stato &s = *m;
    // Beside the target, which it then replaces; a device or a pipe is written into at the end, from a
    // temporary file of the system's.
    const bool speciale = Sostituzione::speciale(s.percorso);
    const QFileInfo destinazione(s.percorso);
    const QDir cartella = speciale ? QDir(QDir::tempPath()) : destinazione.absoluteDir();
    QTemporaryFile t(cartella.filePath(QStringLiteral(".") + destinazione.fileName() + QStringLiteral(".XXXXXX")));
    t.setAutoRemove(false);
    if (!t.open()) {
        s.errore = QStringLiteral("Impossibile scrivere nella cartella %1: %2")
                       .arg(QDir::toNativeSeparators(cartella.absolutePath()), t.errorString());
        return false;
    }
    s.temporaneo = t.fileName();
    // The permissions of a file written in place (QTemporaryFile makes it private): those of the file
    // replaced, or of a new file under the process's umask.
    t.setPermissions(destinazione.exists() && !speciale ? QFile::permissions(s.percorso) : permessiNuovoFile());
    t.close();

    // The rows wait in libxlsxwriter's temporary files until the end: beside the target rather than in
    // /tmp, which may be held in memory.
    s.cartella = QFile::encodeName(cartella.absolutePath());
    lxw_workbook_options opzioni{};
    opzioni.constant_memory = LXW_TRUE;
    opzioni.tmpdir = s.cartella.data();
    s.libro = workbook_new_opt(QFile::encodeName(s.temporaneo).constData(), &opzioni);
    if (s.libro)
        s.foglio = workbook_add_worksheet(s.libro, s.nomeFoglio.isEmpty() ? nullptr : s.nomeFoglio.constData());
    if (!s.libro || !s.foglio) {
        s.errore = QStringLiteral("Impossibile creare il foglio di calcolo %1").arg(destinazione.fileName());
        annulla();
        return false;
    }
    // The rows go to that temporary file through stdio, whose 4 KiB buffer makes a system call every few
    // rows, each way (written, then read back to be compressed): a larger buffer, set before its first use.
    if (s.foglio->optimize_tmpfile) {
        s.memoria = std::make_unique<char[]>(kMemoriaTemporaneo);
        std::setvbuf(s.foglio->optimize_tmpfile, s.memoria.get(), _IOFBF, kMemoriaTemporaneo);
    }
    s.intestazione = workbook_add_format(s.libro);
    format_set_bold(s.intestazione);
    for (int e = 0; e < 2; ++e) {
        for (int k = 0; k < 3; ++k) {
            lxw_format *f = workbook_add_format(s.libro);
            if (e)
                format_set_bg_color(f, 0xFFC7CE);
            if (k == 1)
                format_set_num_format(f, "dd/mm/yyyy");
            else if (k == 2)
                format_set_num_format(f, "dd/mm/yyyy hh:mm");
            s.formati[e][k] = f;
        }
    }
    for (const std::vector<Cella> &celle : s.sopra) {
        if (!s.scriviCelle(celle, false))
            return false;
        ++s.riga;
    }
    s.larghezze.clear(); // a title overflows its cell: the columns are as wide as the table's values
    s.colonne = static_cast<int>(intestazioni.size());
    for (int c = 0; c < intestazioni.size(); ++c) {
        if (!s.controlla(worksheet_write_string(s.foglio, s.riga, static_cast<lxw_col_t>(c),
                                                intestazioni[c].toUtf8().constData(), s.intestazione),
                         QStringLiteral("intestazione")))
            return false;
        s.allarga(static_cast<size_t>(c),
                  static_cast<double>(intestazioni[c].size() + 3)); // room for the filter button
    }
    worksheet_freeze_panes(s.foglio, s.riga + 1, 0);
    s.intestazioneA = s.riga;
    return true;
}

void ScrittoreXlsx::righeSopra(std::vector<std::vector<Cella>> righe)
{
    m->sopra = std::move(righe);
}

bool ScrittoreXlsx::scriviRiga(const std::vector<Cella> &celle, bool evidenziata)
{
    Stato &s = *m;
    if (!s.foglio || !s.errore.isEmpty())
        return false;
    if (s.riga + 1 >= LettoreFoglio::kRigheMassime) {
        s.errore = QStringLiteral("Il risultato supera il limite di 1.048.576 righe di un foglio .xlsx");
        return false;
    }
    ++s.riga;
    return s.scriviCelle(celle, evidenziata);
}

bool ScrittoreXlsx::chiudi(const std::vector<std::pair<QString, QString>> &riepilogo)
{
    Stato &s = *m;
    if (!s.libro || !s.errore.isEmpty()) {
        annulla();
        return false;
    }
    const int colonne = std::max<int>(s.colonne, static_cast<int>(s.larghezze.size()));
    for (size_t c = 0; c < s.larghezze.size(); ++c) {
        const double l = std::min(kLarghezzaMassima, std::max(8.0, s.larghezze[c] + 1));
        s.controlla(worksheet_set_column(s.foglio, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), l, nullptr),
                    QStringLiteral("colonne"));
    }
    if (colonne > 0)
        s.controlla(worksheet_autofilter(s.foglio, s.intestazioneA, 0, s.riga, static_cast<lxw_col_t>(colonne - 1)),
                    QStringLiteral("filtro"));
    if (!riepilogo.empty()) {
        lxw_worksheet *r = workbook_add_worksheet(s.libro, "Riepilogo");
        double larghezza = 8;
        for (size_t i = 0; r && i < riepilogo.size(); ++i) {
            const auto riga = static_cast<lxw_row_t>(i);
            s.controlla(worksheet_write_string(r, riga, 0, riepilogo[i].first.toUtf8().constData(), nullptr),
                        QStringLiteral("Riepilogo"));
            bool numero = false;
            const double v = riepilogo[i].second.toDouble(&numero);
            s.controlla(numero ? worksheet_write_number(r, riga, 1, v, nullptr)
                               : worksheet_write_string(r, riga, 1, riepilogo[i].second.toUtf8().constData(), nullptr),
                        QStringLiteral("Riepilogo"));
            larghezza = std::max(larghezza, static_cast<double>(riepilogo[i].first.size() + 1));
        }
        if (r)
            worksheet_set_column(r, 0, 0, std::min(kLarghezzaMassima, larghezza), nullptr);
    }
    const lxw_error e = workbook_close(s.libro);
    s.libro = nullptr;
    if (!s.controlla(e, QStringLiteral("chiusura")) || !s.errore.isEmpty()) {
        annulla();
        return false;
    }
    const QString perche = Sostituzione::sostituisci(s.temporaneo, s.percorso);
    if (!perche.isEmpty()) {
        s.errore = QStringLiteral("Impossibile salvare %1: %2").arg(QDir::toNativeSeparators(s.percorso), perche);
        annulla();
        return false;
    }
    s.chiuso = true;
    return true;
}

void ScrittoreXlsx::annulla()
{
    Stato &s = *m;
    if (s.libro) {
        // Freed without being written: closing it would first zip every row. Its temporary file of rows,
        // unlinked when made, goes when closed.
        lxw_worksheet *foglio = nullptr;
        LXW_FOREACH_WORKSHEET(foglio, s.libro)
        {
            if (foglio->optimize_tmpfile) {
                std::fclose(foglio->optimize_tmpfile);
                foglio->optimize_tmpfile = nullptr;
            }
        }
        lxw_workbook_free(s.libro);
        s.libro = nullptr;
    }
    s.foglio = nullptr;
    if (!s.temporaneo.isEmpty())
        QFile::remove(s.temporaneo);
    s.temporaneo.clear();
    s.chiuso = true;
}

} // namespace Fogli
