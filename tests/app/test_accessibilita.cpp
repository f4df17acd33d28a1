// What assistive technology reads of every window, and whether its texts stand out from their background.
#include <cmath>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "finestre.h"
#include "frmmain.h"
#include "supporto.h"

namespace {

// Relative luminance and contrast ratio, as WCAG 2 defines them.
double luminanza(QRgb c)
{
    const auto canale = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * canale(qRed(c)) + 0.7152 * canale(qGreen(c)) + 0.0722 * canale(qBlue(c));
}

double contrasto(QRgb a, QRgb b)
{
    const double la = luminanza(a);
    const double lb = luminanza(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// The contrast of the text drawn in `zona` of the window's picture: the background is the commonest
// colour there, the text the pixel farthest from it.
double contrastoTesto(const QImage &immagine, const QRect &zona)
{
    QHash<QRgb, int> conta;
    const QRect r = zona.intersected(immagine.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++conta[immagine.pixel(x, y)];
    QRgb sfondo = 0;
    int massimo = -1;
    for (auto it = conta.cbegin(); it != conta.cend(); ++it) {
        if (it.value() > massimo) {
            massimo = it.value();
            sfondo = it.key();
        }
    }
    double migliore = 1;
    for (auto it = conta.cbegin(); it != conta.cend(); ++it)
        migliore = qMax(migliore, contrasto(it.key(), sfondo));
    return migliore;
}

QString testoDi(const QWidget *w)
{
    if (const auto *e = qobject_cast<const QLabel *>(w))
        return e->pixmap().isNull() ? e->text() : QString();
    if (const auto *t = qobject_cast<const QLineEdit *>(w))
        return t->text();
    if (const auto *c = qobject_cast<const QComboBox *>(w))
        return c->currentText();
    if (const auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    return {};
}

// Walks the accessible tree: every control the user works with and every picture has a name, and a
// label's name holds what it shows.
void cammina(QAccessibleInterface *i, QStringList &difetti)
{
    if (!i || i->state().invisible)
        return;
    const QAccessible::Role ruolo = i->role();
    const QString nome = i->text(QAccessible::Name);
    const QString chi = i->object() ? i->object()->objectName() : QString();
    switch (ruolo) {
    case QAccessible::PushButton:
    case QAccessible::RadioButton:
    case QAccessible::CheckBox:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::List:
    case QAccessible::Graphic:
        if (nome.trimmed().isEmpty())
            difetti << QStringLiteral("%1 (role %2) has no name").arg(chi).arg(ruolo);
        break;
    case QAccessible::StaticText: {
        const auto *e = qobject_cast<const QLabel *>(i->object());
        // A label with an access key shows its caption without the ampersand, and is read so.
        const QString visibile = e ? QString(e->text()).remove(QLatin1Char('&')) : QString();
        if (e && !visibile.isEmpty() && !nome.contains(visibile))
            difetti << QStringLiteral("%1 is read as \"%2\", not with \"%3\"").arg(chi, nome, visibile);
        break;
    }
    default: break;
    }
    // The rows of a list or a combo box are their texts already; the text field of an editable combo box
    // is a control of its own.
    if (ruolo == QAccessible::ComboBox) {
        const auto *c = qobject_cast<const QComboBox *>(i->object());
        if (c && c->lineEdit())
            cammina(QAccessible::queryAccessibleInterface(c->lineEdit()), difetti);
        return;
    }
    if (ruolo == QAccessible::List)
        return;
    for (int k = 0; k < i->childCount(); ++k)
        cammina(i->child(k), difetti);
}

void controlla(QWidget *finestra, const char *nome)
{
    QStringList difetti;
    cammina(QAccessible::queryAccessibleInterface(finestra), difetti);
    const QImage immagine = finestra->grab().toImage();
    const QList<QWidget *> controlli = finestra->findChildren<QWidget *>();
    for (const QWidget *w : controlli) {
        if (!w->isVisible() || testoDi(w).isEmpty())
            continue;
        const QRect zona(w->mapTo(finestra, QPoint(0, 0)), w->size());
        const double c = contrastoTesto(immagine, zona);
        if (c < 4.5)
            difetti << QStringLiteral("%1 \"%2\": contrast %3").arg(w->objectName(), testoDi(w)).arg(c, 0, 'f', 2);
    }
    EXPECT_TRUE(difetti.isEmpty()) << nome << ":\n" << difetti.join(u'\n').toStdString();
}

} // namespace

TEST(Accessibilita, OgniFinestraHaNomiELeggibili)
{
    CartellaProgrammaFinta cartella;
    for (const char *file : {"codes.dat", "codes.cf"})
        QFile::copy(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/") + QLatin1String(file),
                    cartella.file(QLatin1String(file)));
    RegistroMessaggi registro;
    for (const FinestraDaProvare &f : finestreDaProvare()) {
        frmMain menu;
        menu.carica();
        menu.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&menu));
        QString vista;
        const bool finiti = eseguiPassi(
            static_cast<int>(f.passi.size()), [&f](int i) { return QString::fromUtf8(f.passi[i]); },
            [&] {
                QWidget *davanti = finestraInPrimoPiano();
                vista = davanti->metaObject()->className();
                controlla(davanti, f.nome);
                chiudiModali(&menu);
            },
            150);
        EXPECT_TRUE(finiti) << f.nome;
        EXPECT_EQ(vista, QString::fromLatin1(f.nome));
        EXPECT_EQ(registro.conta(), 0) << f.nome;
    }
}
