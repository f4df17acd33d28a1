#include "form2.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "modulo1.h"

namespace {
constexpr int kAltezzaStampa = 4500; // outer height while printing: the buttons fall outside
}

Form2::Form2()
    : FormSportello(QStringLiteral("Codice Fiscale"), 6210, 4800, false)
{
    Image1 = crea<QLabel>("Image1", 0, 0, 6240, 4035);
    Image1->setPixmap(QPixmap(QStringLiteral(":/fiscalcode/images/tesserino.png")));
    Image1->setScaledContents(true);
    Image1->setAccessibleName(QStringLiteral("Tesserino del codice fiscale"));

    // The field titles are part of the picture: each value is read with its title.
    cf = etichetta("cf", "Codice fiscale", 1080, 1995);
    Cognome = etichetta("Cognome", "Cognome", 1080, 2400);
    Nome = etichetta("Nome", "Nome", 1080, 2745);
    Luogo = etichetta("Luogo", "Luogo di nascita", 1080, 3030);
    Provinc = etichetta("Provinc", "Provincia", 1080, 3420);
    Sex = etichetta("Sex", "Sesso", 5040, 2730);
    DataN = etichetta("DataN", "Data di nascita", 4080, 3405);

    Command1 = crea<OsenXPButton>("Command1", 1920, 4320, 975, 375);
    Command1->setText(QStringLiteral("&Stampa"));
    CopiaBut = crea<OsenXPButton>("CopiaBut", 3240, 4320, 975, 375);
    CopiaBut->setText(QStringLiteral("&Copia"));

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(CopiaBut, &QPushButton::clicked, this, &Form2::CopiaBut_Click);

    ordineTab({Command1, cf, Cognome, Nome, Luogo, Provinc, Sex, DataN, CopiaBut});
}

OsenXPLabel *Form2::etichetta(const char *nome, const char *campo, int sinistra, int alto)
{
    auto *e = crea<OsenXPLabel>(nome, sinistra, alto, 750, 285);
    e->setCampo(QString::fromUtf8(campo));
    e->setCaption(QStringLiteral("Label1"));
    e->setFont(Aspetto::msSansSerif(8.25, true));
    QPalette tavolozza = e->palette();
    tavolozza.setColor(QPalette::WindowText, Qt::black);
    e->setPalette(tavolozza);
    e->setWordWrap(false);
    posiziona(e, QRect(sinistra, alto, 750, 285));
    return e;
}

void Form2::posiziona(OsenXPLabel *etichetta, const QRect &twips)
{
    m_posizioni.insert(etichetta, twips);
    etichetta->setGeometry(Twips::rettangolo(twips.x(), twips.y(), twips.width(), twips.height()));
}

void Form2::Form_Activate()
{
    Modulo1::ApplicaStile(this);
    // Every activation lifts the labels by 2 twips and widens them so that no text is cut.
    const QList<OsenXPLabel *> etichette = findChildren<OsenXPLabel *>();
    for (OsenXPLabel *e : etichette) {
        QRect twips =
            m_posizioni.value(e, QRect(qRound(Twips::daPixel(e->x())), qRound(Twips::daPixel(e->y())),
                                       qRound(Twips::daPixel(e->width())), qRound(Twips::daPixel(e->height()))));
        twips.moveTop(twips.top() - 2);
        twips.setWidth(50000);
        posiziona(e, twips);
    }
}

QPixmap Form2::immagineStampa()
{
    const int altezza = height();
    const int cornice = frameGeometry().height() - height();
    // A thin frame (or none, without a window manager) would leave part of the buttons inside 4500 twips:
    // never more than the card picture is taken.
    const int alta = qMin(Twips::inPixel(kAltezzaStampa) - cornice, Image1->geometry().bottom() + 1);
    setFixedHeight(qMax(1, alta));
    QPixmap immagine = grab(QRect(QPoint(0, 0), size()));
    setFixedHeight(altezza);
    return immagine;
}

bool Form2::stampaSu(QPrinter &stampante)
{
    const QPixmap immagine = immagineStampa();
    stampante.setDocName(windowTitle());
    QPainter pittore;
    if (!pittore.begin(&stampante))
        return false;
    // The picture at its size on the screen, in the top left corner of the printable area.
    const double scala = stampante.resolution() / Twips::dpi();
    const QSizeF lato = immagine.deviceIndependentSize() * scala;
    pittore.drawPixmap(QRectF(QPointF(0, 0), lato), immagine, QRectF(immagine.rect()));
    return pittore.end();
}

void Form2::Command1_Click()
{
    // The default printer, without asking.
    const QPrinterInfo predefinita = QPrinterInfo::defaultPrinter();
    bool stampato = false;
    if (!predefinita.isNull()) {
        QPrinter stampante(predefinita, QPrinter::HighResolution);
        stampato = stampaSu(stampante);
    }
    if (!stampato)
        Modulo1::MostraMessaggio(QStringLiteral("Impossibile stampare il tesserino"), 48, QStringLiteral("Quietanza"));
}

void Form2::CopiaBut_Click()
{
    QGuiApplication::clipboard()->setText(CopiaBut->Tag());
}
