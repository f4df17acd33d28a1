#pragma once

// Writes a table to an .xlsx file through libxlsxwriter in its constant-memory mode (one row in memory):
// the cells keep their types (text stays text, so no leading zero is lost; dates are dates shown
// dd/mm/yyyy), the header row is bold, frozen and carries a filter, the columns are as wide as their
// longest value (capped), chosen rows are filled light red, and a second sheet "Riepilogo" lists label and
// value pairs. The file is written under a temporary name in the target's folder and renamed at the end:
// after a failure or annulla() nothing is left under the final name.

#include "foglio.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

namespace Fogli {

class ScrittoreXlsx final : public Scrittore
{
public:
    explicit ScrittoreXlsx(QString percorso);
    ~ScrittoreXlsx() override; // annulla() when chiudi() did not succeed
    ScrittoreXlsx(const ScrittoreXlsx &) = delete;
    ScrittoreXlsx &operator=(const ScrittoreXlsx &) = delete;

    // The name of the sheet of rows: one Excel takes (up to 31 characters, none of []:*?/\) other than that of
    // the summary; else the writer's own ("Sheet1").
    void impostaNomeFoglio(const QString &nome) override;
    void righeSopra(std::vector<std::vector<Cella>> righe) override;
    // Each returns false with errore() set on failure; after a failure the rest does nothing.
    bool apri(const QStringList &intestazioni) override;
    bool scriviRiga(const std::vector<Cella> &celle, bool evidenziata = false) override;
    bool chiudi(const std::vector<std::pair<QString, QString>> &riepilogo = {}) override;
    void annulla() override;

    QString errore() const override;

    static constexpr double kLarghezzaMassima = 60;

    struct Stato;

private:
    std::unique_ptr<Stato> m;
};

} // namespace Fogli
