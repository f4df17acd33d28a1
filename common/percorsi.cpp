#include "percorsi.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString &cartellaImposta()
{
    // cppcheck-suppress unassignedVariable ; set through the reference returned
    static QString cartella;
    return cartella;
}
} // namespace

namespace Percorsi {

QString unisci(const QString &cartella, const QString &nome, QChar separatore)
{
    if (cartella.endsWith(separatore))
        return cartella + nome;
    return cartella + separatore + nome;
}

QString cartellaProgramma()
{
    if (!cartellaImposta().isEmpty())
        return cartellaImposta();
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void impostaCartellaProgramma(const QString &cartella)
{
    cartellaImposta() = cartella;
}

QString fileProgramma(const QString &nome)
{
    return unisci(cartellaProgramma(), nome, QDir::separator());
}

} // namespace Percorsi
