#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The provinces as people write them: every sigla of any time ("MI", "FO", "SU") and the names that lead to
// one (official, former, and the ones in common use: "Monza e della Brianza", "Monza", "Forlì", "Bolzano"),
// read from the province section of codes.cf, one "SIGLA;Name" line each, the first line of a sigla giving
// its name to show.
namespace Fiscale {

class Province
{
public:
    // Reads the lines (Windows-1252, each ended by CR LF). False, and nothing kept, when a line is not
    // "XX;name".
    bool analizza(QByteArrayView righe);
    bool vuote() const { return m_nomi.isEmpty(); }

    bool siglaNota(const QString &sigla) const { return m_nomi.contains(sigla); }
    // The name to show for a sigla, whole ("MONZA E DELLA BRIANZA"); empty for an unknown one.
    QString nome(const QString &sigla) const { return m_nomi.value(sigla); }
    // The siglas a typed province stands for: itself when it is a sigla (two letters, any case), the siglas
    // of a name (compared as Luoghi::forma makes them: "forli" is Forlì, which is FC and FO); empty for neither.
    QStringList sigle(const QString &provincia) const;

private:
    QHash<QString, QString> m_nomi;         // sigla -> the name shown
    QHash<QString, QStringList> m_perForma; // the form of a name -> its siglas
};

} // namespace Fiscale
