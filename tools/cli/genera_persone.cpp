// Writes a table for measuring sportello-cli on standard output:
//   genera_persone [--righe N] [--windows-1252] [--virgola] [--partite-iva] CODES_DAT
//   genera_persone [--righe N] --xlsx FILE CODES_DAT   the people as a sheet: the dates as date cells and a
//                                                      seventh column, a number (matricola)
#include <cstdio>

#include <QBuffer>
#include <QCommandLineParser>
#include <QCoreApplication>

#include "generapersone.h"
#include "riconoscidata.h"
#include "scrittorexlsx.h"

namespace {

// The table of people, made as CSV in memory, written through ScrittoreXlsx.
int foglio(const QString &codesDat, const Generatore::Opzioni &opzioni, const QString &percorso)
{
    QByteArray csv;
    if (!Generatore::persone(codesDat, opzioni, [&](const QByteArray &b) { csv += b; })) {
        std::fprintf(stderr, "genera_persone: serve codes.dat leggibile\n");
        return 2;
    }
    QBuffer ingresso(&csv);
    ingresso.open(QIODevice::ReadOnly);
    Csv::Lettore lettore(ingresso, opzioni.separatore, Csv::Codifica::Utf8);
    Csv::Riga riga;
    Fogli::ScrittoreXlsx scrittore(percorso);
    bool ok = lettore.leggi(riga);
    QStringList intestazione;
    for (QByteArrayView c : riga.campi)
        intestazione.append(QString::fromUtf8(c));
    intestazione.append(QStringLiteral("matricola"));
    ok = ok && scrittore.apri(intestazione);
    std::vector<Fogli::Cella> celle;
    for (qint64 n = 1; ok && lettore.leggi(riga); ++n) {
        celle.clear();
        for (size_t i = 0; i < riga.campi.size(); ++i) {
            const QString testo = QString::fromUtf8(riga.campi[i]);
            const std::optional<QDate> data = i == 3 ? Fiscale::leggiDataTabella(testo) : std::nullopt;
            celle.push_back(data ? Fogli::Cella::diData(*data) : Fogli::Cella::diTesto(testo));
        }
        celle.push_back(Fogli::Cella::diNumero(static_cast<double>(n)));
        ok = scrittore.scriviRiga(celle);
    }
    if (!ok || !scrittore.chiudi()) {
        std::fprintf(stderr, "genera_persone: %s\n", qPrintable(scrittore.errore()));
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tabelle di prova per sportello-cli, sullo standard output."));
    parser.addHelpOption();
    const QCommandLineOption righe(QStringLiteral("righe"), QStringLiteral("Numero di righe."), QStringLiteral("N"),
                                   QStringLiteral("1000000"));
    const QCommandLineOption cp1252(QStringLiteral("windows-1252"), QStringLiteral("In Windows-1252."));
    const QCommandLineOption virgola(QStringLiteral("virgola"), QStringLiteral("Separatore ','."));
    const QCommandLineOption piva(QStringLiteral("partite-iva"), QStringLiteral("Partite IVA invece di persone."));
    const QCommandLineOption xlsx(QStringLiteral("xlsx"), QStringLiteral("Un foglio .xlsx in FILE."),
                                  QStringLiteral("FILE"));
    parser.addOptions({righe, cp1252, virgola, piva, xlsx});
    parser.addPositionalArgument(QStringLiteral("codes.dat"), QStringLiteral("L'elenco dei comuni."));
    parser.process(app);

    Generatore::Opzioni opzioni;
    opzioni.righe = parser.value(righe).toLongLong();
    opzioni.codifica = parser.isSet(cp1252) ? Csv::Codifica::Windows1252 : Csv::Codifica::Utf8;
    opzioni.separatore = parser.isSet(virgola) ? ',' : ';';
    const auto scrivi = [](const QByteArray &b) { std::fwrite(b.constData(), 1, size_t(b.size()), stdout); };
    if (parser.isSet(xlsx) && parser.positionalArguments().size() == 1)
        return foglio(parser.positionalArguments().first(), opzioni, parser.value(xlsx));
    if (parser.isSet(piva)) {
        Generatore::partiteIva(opzioni, scrivi);
        return 0;
    }
    if (parser.positionalArguments().size() != 1 ||
        !Generatore::persone(parser.positionalArguments().first(), opzioni, scrivi)) {
        std::fprintf(stderr, "genera_persone: serve codes.dat leggibile\n");
        return 2;
    }
    return 0;
}
