#include "sorgente.h"

namespace Tabelle {

void Riga::daFoglio(const Fogli::Riga &riga)
{
    celle = &riga.celle;
    csv.campi.clear();
    csv.grezza = QByteArrayView();
    csv.numero = riga.numero;
    csv.vuota = riga.celle.empty();
    csv.valida = true;
    csv.troppoLunga = false;
    csv.copiabile = false;
    m_fatti.assign(riga.celle.size(), 0);
}

bool Riga::vuoto(qsizetype campo) const
{
    if (campo >= campi())
        return true;
    return celle ? (*celle)[static_cast<size_t>(campo)].vuota() : csv.campi[static_cast<size_t>(campo)].isEmpty();
}

QByteArrayView Riga::testoCella(qsizetype campo) const
{
    if (campo < 0 || campo >= campi())
        return QByteArrayView();
    const auto i = static_cast<size_t>(campo);
    if (!m_fatti[i]) {
        if (m_testi.size() <= i)
            m_testi.resize(i + 1);
        m_testi[i] = (*celle)[i].vuota() ? QByteArray() : Fogli::testoVisibile((*celle)[i]).toUtf8();
        m_fatti[i] = 1;
    }
    return m_testi[i];
}

QDate Riga::data(qsizetype campo) const
{
    if (!celle || campo < 0 || campo >= campi())
        return QDate();
    const Fogli::Cella &c = (*celle)[static_cast<size_t>(campo)];
    return c.tipo == Fogli::TipoCella::Data ? c.data : QDate();
}

RigaTenuta::RigaTenuta(const Riga &riga)
    : m_csv(riga.csv)
    , m_grezza(riga.csv.grezza.toByteArray())
    , m_foglio(riga.celle != nullptr)
{
    m_csv.campi.clear();
    if (m_foglio) {
        m_celle.numero = riga.csv.numero;
        m_celle.celle = *riga.celle;
        return;
    }
    for (QByteArrayView c : riga.csv.campi)
        m_campi.push_back(c.toByteArray());
}

void RigaTenuta::in(Riga &riga) const
{
    if (m_foglio) {
        riga.daFoglio(m_celle);
        return;
    }
    riga.celle = nullptr;
    riga.csv = m_csv;
    riga.csv.grezza = m_grezza;
    for (const QByteArray &c : m_campi)
        riga.csv.campi.emplace_back(c);
}

void RigaTenuta::inCodifica(Csv::Codifica codifica)
{
    const Csv::Codifica propria = Csv::rilevaCodifica(m_grezza);
    if (m_foglio || propria == Csv::Codifica::Automatica || propria == codifica)
        return;
    m_grezza = Csv::codifica(Csv::decodifica(m_grezza, propria), codifica);
    for (QByteArray &c : m_campi)
        c = Csv::codifica(Csv::decodifica(c, propria), codifica);
}

} // namespace Tabelle
