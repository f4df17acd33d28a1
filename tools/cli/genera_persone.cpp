// Writes a table for measuring sportello-cli on standard output:
//   genera_persone [--righe N] [--windows-1252] [--virgola] [--partite-iva] CODES_DAT
#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "generapersone.h"

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
    parser.addOptions({righe, cp1252, virgola, piva});
    parser.addPositionalArgument(QStringLiteral("codes.dat"), QStringLiteral("L'elenco dei comuni."));
    parser.process(app);

    Generatore::Opzioni opzioni;
    opzioni.righe = parser.value(righe).toLongLong();
    opzioni.codifica = parser.isSet(cp1252) ? Csv::Codifica::Windows1252 : Csv::Codifica::Utf8;
    opzioni.separatore = parser.isSet(virgola) ? ',' : ';';
    const auto scrivi = [](const QByteArray &b) { std::fwrite(b.constData(), 1, size_t(b.size()), stdout); };
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
