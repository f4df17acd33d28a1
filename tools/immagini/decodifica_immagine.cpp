// Build tool: decodes a picture and writes its rows for ImmaginiDecodificate (ui/immaginidecodificate.h).
//   decodifica_immagine <picture.png> <output>
#include <cstdio>

#include <QFile>
#include <QImage>

#include "immaginidecodificate.h"

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "uso: decodifica_immagine <immagine> <uscita>\n");
        return 2;
    }
    const QImage immagine(QFile::decodeName(argv[1]));
    const QByteArray dati = ImmaginiDecodificate::codifica(immagine);
    if (dati.isEmpty()) {
        std::fprintf(stderr, "decodifica_immagine: %s non si legge come immagine (al massimo %u pixel di lato)\n",
                     argv[1], ImmaginiDecodificate::kLatoMassimo);
        return 1;
    }
    QFile uscita(QFile::decodeName(argv[2]));
    if (!uscita.open(QIODevice::WriteOnly | QIODevice::Truncate) || uscita.write(dati) != dati.size() ||
        !uscita.flush()) {
        std::fprintf(stderr, "decodifica_immagine: non posso scrivere %s\n", argv[2]);
        return 1;
    }
    return 0;
}
