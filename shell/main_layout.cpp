// The controls of `Main` at their places. Positions are written in twips,
// 15 to the pixel, relative to each control's group; a top of -30 places a
// group 30 twips above the client area.
#include "shell/main_window.h"

#include "shell/artwork.h"
#include "tools/lens.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>

namespace mergola {

namespace {

constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips) { return twips / kTwipsPerPixel; }
constexpr QRect tw(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

constexpr QRgb kDarkGreyText = qRgb(64, 64, 64);
constexpr QRgb kLightGrey = qRgb(224, 224, 224);
constexpr QRgb kResultBackground = qRgb(192, 192, 255);
constexpr QRgb kQualityBackground = qRgb(190, 220, 250);
constexpr QRgb kButtonYellow = qRgb(192, 192, 0);
constexpr QRgb kButtonGreen = qRgb(0, 192, 0);
constexpr QRgb kButtonCyan = qRgb(0, 192, 192);
constexpr QRgb kButtonOrange = qRgb(255, 192, 128);
constexpr QRgb kButtonSalmon = qRgb(255, 128, 128);

constexpr int kColourMax = 255;

constexpr int kMaatLabelPixels = 16; // Arial 12 pt on a 96-dpi screen
constexpr int kExampleCaptionPixels = 10;

void colourText(QWidget *widget, QRgb colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, QColor(colour));
    widget->setPalette(palette);
}

void colourBase(QWidget *widget, QRgb colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, QColor(colour));
    widget->setPalette(palette);
}

QScrollBar *colourBar(QWidget *group, const char *name, QRect geometry)
{
    auto *bar = new QScrollBar(Qt::Vertical, group);
    bar->setObjectName(QLatin1String(name));
    bar->setGeometry(geometry);
    bar->setRange(0, kColourMax);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    // A dragged thumb applies its value when released, not while it moves.
    bar->setTracking(false);
    return bar;
}

} // namespace

QWidget *Main::group(const char *name, int left, int top, int width, int height)
{
    auto *frame = new QFrame(this);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(tw(left, top, width, height));
    return frame;
}

QPushButton *Main::button(QWidget *parent, const char *name, QRect twips, const QString &caption, QRgb colour,
                          const QString &toolTip)
{
    auto *knop = new QPushButton(caption, parent);
    knop->setObjectName(QLatin1String(name));
    knop->setGeometry(tw(twips.x(), twips.y(), twips.width(), twips.height()));
    knop->setToolTip(toolTip);
    knop->setFocusPolicy(Qt::TabFocus);
    QPalette palette = knop->palette();
    palette.setColor(QPalette::Button, QColor(colour));
    knop->setPalette(palette);
    knop->setAutoFillBackground(true);
    return knop;
}

QLabel *Main::label(QWidget *parent, const char *name, int left, int top, const QString &text)
{
    auto *caption = new QLabel(text, parent);
    caption->setObjectName(QLatin1String(name));
    caption->move(px(left), px(top));
    caption->adjustSize();
    colourText(caption, kDarkGreyText);
    return caption;
}

void Main::plate(QWidget *parent, const char *name, QRect twips)
{
    auto *frame = new QLabel(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    frame->setGeometry(tw(twips.x(), twips.y(), twips.width(), twips.height()));
    frame->lower();
}

void Main::buildLayout()
{
    // Group by group, in the order the window has always been put together.
    QWidget *frame1 = group("Frame1", 75, -30, 5160, 4050);
    plate(frame1, "Label1", QRect(120, 210, 4920, 3720));
    m_foto0[0] = new PictureBox(QStringLiteral("Foto0_1"), tw(180, 270, 4800, 3600), kLightGrey,
                                PictureBox::Border::None, frame1);
    m_foto0[0]->picture().drawText(108, 105, tr("Click for Photo"), promptFont(), kWindowText);
    m_webBrowser = new QTextBrowser(frame1);
    m_webBrowser->setObjectName(QStringLiteral("WebBrowser"));
    m_webBrowser->setGeometry(tw(120, 210, 4920, 3720));
    m_webBrowser->hide();

    QWidget *frame2 = group("Frame2", 75, 4020, 5160, 4050);
    plate(frame2, "Label2", QRect(120, 210, 4920, 3720));
    m_foto0[1] = new PictureBox(QStringLiteral("Foto0_2"), tw(180, 270, 4800, 3600), kLightGrey,
                                PictureBox::Border::None, frame2);

    QWidget *frame3 = group("Frame3", 6540, -30, 5160, 4050);
    plate(frame3, "Label3", QRect(120, 210, 4920, 3720));
    m_pict0 = new PictureBox(QStringLiteral("Pict0"), tw(180, 270, 4800, 3600), kResultBackground,
                             PictureBox::Border::None, frame3);
    m_pict0->picture().drawText(135, 105, tr("Orginal"), promptFont(), kWindowText);

    QWidget *frame4 = group("Frame4", 6540, 4020, 5160, 720);
    plate(frame4, "Label4", QRect(120, 210, 3810, 405));
    plate(frame4, "Label16", QRect(4125, 210, 930, 405));
    m_saveKnop = button(frame4, "SaveKnop", QRect(150, 240, 750, 345), tr("Save"), kButtonYellow);
    m_sizeKnop = button(frame4, "SizeKnop", QRect(900, 240, 750, 345), tr("Size"), kButtonYellow);
    m_borderKnop = button(frame4, "BorderKnop", QRect(1650, 240, 750, 345), tr("Border"), kButtonGreen);
    m_printKnop = button(frame4, "PrintKnop", QRect(2400, 240, 750, 345), tr("Print"), kButtonGreen);
    m_helpKnop = button(frame4, "HelpKnop", QRect(3150, 240, 750, 345), tr("Help"), kButtonCyan);
    m_combineKnop = button(frame4, "CombineKnop", QRect(4155, 240, 870, 345), tr("Combine"), kLightGrey,
                           tr(" Combine pictures "));

    QWidget *frame8 = group("Frame8", 6540, 4755, 2655, 570);
    m_bar = new PictureBox(QStringLiteral("Bar"), tw(105, 195, 1800, 270), kProgressBackground,
                           PictureBox::Border::Sunken, frame8);
    m_label88 = new PictureBox(QStringLiteral("Label88"), tw(1980, 195, 555, 270), kProgressBackground,
                               PictureBox::Border::Sunken, frame8);
    m_progressLabel = new QLabel(QStringLiteral("0%"), m_label88);
    m_progressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    m_progressLabel->move(m_label88->contentsRect().topLeft() + QPoint(px(30), px(15)));
    m_progressLabel->adjustSize();

    QWidget *frame5 = group("Frame5", 6540, 5340, 2655, 2730);
    plate(frame5, "Label18", QRect(120, 240, 1200, 420));
    plate(frame5, "Label12", QRect(120, 2280, 2400, 300));
    m_loepKnop = button(frame5, "LoepKnop", QRect(150, 270, 1140, 360), tr("Vergroting"), kButtonOrange);
    label(frame5, "Label19", 1440, 330, tr("On / Off"));
    m_loepPic = new PictureBox(QStringLiteral("LoepPic"), tw(120, 780, 2385, 1380), kLightGrey,
                               PictureBox::Border::Sunken, frame5);
    m_slider1 = new QScrollBar(Qt::Horizontal, frame5);
    m_slider1->setObjectName(QStringLiteral("Slider1"));
    m_slider1->setGeometry(tw(150, 2310, 2340, 240));
    m_slider1->setRange(kLensZoomMin, kLensZoomMax);
    m_slider1->setValue(kLensZoomStart);

    QWidget *frame9 = group("Frame9", 9300, 4755, 2400, 570);
    m_maatLabel = label(frame9, "MaatLabel", 150, 195, QString());
    m_maatLabel->setGeometry(tw(150, 195, 2100, 270));
    QFont maatFont(QStringLiteral("Arial"));
    maatFont.setPixelSize(kMaatLabelPixels);
    m_maatLabel->setFont(maatFont);

    QWidget *frame6 = group("Frame6", 9300, 5340, 2400, 2730);
    plate(frame6, "Label10", QRect(1200, 900, 1065, 405));
    plate(frame6, "Label14", QRect(1200, 2190, 1065, 405));
    m_text1 = new QLineEdit(frame6);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(tw(150, 240, 450, 300));
    colourBase(m_text1, kQualityBackground);
    label(frame6, "Label5", 660, 300, tr("% Kwaliteit JPG"));
    m_exampleKnop = button(frame6, "ExampleKnop", QRect(1230, 930, 1005, 345), tr("Example"), kButtonGreen);
    QLabel *label11 = label(frame6, "Label11", 1200, 1350, tr(" Laat even het voorbeeld zien"));
    label11->setWordWrap(true);
    // Two lines must fit the 71-pixel box, as they did in the classic 8 pt face.
    QFont captionFont = label11->font();
    captionFont.setPixelSize(kExampleCaptionPixels);
    label11->setFont(captionFont);
    label11->setGeometry(tw(1200, 1350, 1065, 450));
    auto *image1 = new QLabel(frame6);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(QPixmap::fromImage(decorationPicture()));
    image1->move(px(240), px(960));
    image1->adjustSize();
    m_exitKnop = button(frame6, "ExitKnop", QRect(1230, 2220, 1005, 345), tr("Exit"), kButtonSalmon,
                        tr(" Stop program "));

    QWidget *frame7 = group("Frame7", 5340, -30, 1095, 8100);
    plate(frame7, "Label15", QRect(120, 240, 855, 405));
    plate(frame7, "Label17", QRect(120, 1800, 855, 405));
    plate(frame7, "Label7", QRect(120, 3570, 855, 405));
    plate(frame7, "Label8", QRect(120, 4260, 855, 405));
    plate(frame7, "Label6", QRect(105, 6000, 870, 1200));
    m_softwareKnop = button(frame7, "SoftwareKnop", QRect(150, 270, 795, 345), tr("Software"), kButtonGreen,
                            tr(" More free software "));
    m_filterKnop = button(frame7, "FilterKnop", QRect(150, 1830, 795, 345), tr("Filters ->"), kLightGrey);
    m_newKnop1 = button(frame7, "NewKnop1", QRect(150, 3600, 795, 345), tr("<-- New"), kButtonCyan);
    m_newKnop2 = button(frame7, "NewKnop2", QRect(150, 4290, 795, 345), tr("<-- New"), kButtonCyan);
    label(frame7, "Label9", 105, 5700, tr("Background"));
    m_rscroll = colourBar(frame7, "Rscroll", tw(135, 6030, 270, 1140));
    m_gscroll = colourBar(frame7, "Gscroll", tw(405, 6030, 270, 1140));
    m_bscroll = colourBar(frame7, "Bscroll", tw(675, 6030, 270, 1140));
}

} // namespace mergola
