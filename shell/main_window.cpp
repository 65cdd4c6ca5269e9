#include "shell/main_window.h"

#include "platform/pixel_memory.h"
#include "shell/artwork.h"
#include "shell/lens_view.h"
#include "shell/quality_box.h"
#include "shell/slots.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

namespace mergola {

namespace {

// How long the window keeps a finished filter's memory for the next one: a
// user may well look at a result for half a minute before choosing the
// next filter.
constexpr int kSpareMemoryIdleMs = 60000;

} // namespace

Main::Main(const MainServices &services, QWidget *parent) : QWidget(parent), m_services(services)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Mergola"));
    setWindowIcon(windowIcon());
    setFont(controlFont());
    startUp();
}

Main::~Main() = default;

void Main::startUp()
{
    // Fixed size: the layout is placed in pixels, so the window can be
    // neither resized nor maximised.
    setFixedSize(kClientWidth, kClientHeight);

    // Controls and menus, with the prompts drawn as they are placed, then
    // their wiring.
    buildLayout();
    buildMenus();
    m_progress = std::make_unique<ProgressDisplay>(*m_bar, *m_progressLabel, m_filterProgress, this);
    m_spareMemoryRelease.setSingleShot(true);
    m_spareMemoryRelease.setInterval(kSpareMemoryIdleMs);
    connect(&m_spareMemoryRelease, &QTimer::timeout, this, [this] {
        if (m_memoryPreparation.busy())
            m_spareMemoryRelease.start();
        else
            releaseSparePixelMemory();
    });

    connect(m_foto0[0], &PictureBox::clicked, this, [this] { Foto0_Click(1); });
    connect(m_foto0[1], &PictureBox::clicked, this, [this] { Foto0_Click(2); });
    for (int slot : {1, 2}) {
        Foto0(slot).setAcceptsFileDrops(true);
        connect(&Foto0(slot), &PictureBox::fileDropped, this, [this, slot](const QString &path) {
            Foto0_Drop(slot, path);
        });
    }
    connect(m_newKnop1, &QPushButton::clicked, this, [this] { NewKnop_Click(1); });
    connect(m_newKnop2, &QPushButton::clicked, this, [this] { NewKnop_Click(2); });
    connect(m_exitKnop, &QPushButton::clicked, this, &Main::ExitKnop_Click);
    connect(m_borderKnop, &QPushButton::clicked, this, &Main::BorderKnop_Click);
    connectButtons();
    buildShortcuts();
    for (QScrollBar *bar : {m_rscroll, m_gscroll, m_bscroll})
        connect(bar, &QScrollBar::valueChanged, this, &Main::applyBackgroundColour);

    // Background colour: each bar set is a change that applies it, as a
    // move of the bar would; applied once more on its own, so slot 2 is
    // filled even where no bar changed value, then the prompt drawn on it.
    m_work.Foto[0].setFillColor(kWindowBackground);
    m_work.Pict.setFillColor(kWindowBackground);
    m_rscroll->setValue(qRed(kDefaultBackground));
    m_gscroll->setValue(qGreen(kDefaultBackground));
    m_bscroll->setValue(qBlue(kDefaultBackground));
    applyBackgroundColour();
    Foto0(2).picture().drawText(108, 105, tr("Click for Photo"), promptFont(), kWindowText);

    // Lens: off at start, its timer running from here on.
    m_lens = new LensView(*m_loepPic, *m_slider1, *m_services.screen, this);

    // Settings: the defaults, replaced by whatever the settings file holds.
    Settings settings;
    loadSettingsAtStartup(m_services.files.settingsFile, settings);
    m_work.ResultWidth = settings.resultWidth;
    m_work.ResultHeight = settings.resultHeight;
    m_jpgQuality = settings.jpgQuality;

    // Working size and quality shown; the quality box keeps the stored
    // quality equal to its text from now on (the window owns it).
    m_maatLabel->setText(workingSizeText(m_work.ResultWidth, m_work.ResultHeight));
    m_text1->setText(QString::number(m_jpgQuality));
    new QualityBox(*m_text1, m_jpgQuality, this);

    // The working pictures hold their plain fill at the working size until
    // the first load, so every button has a consistent picture to work on.
    m_work.sizeWorkingPictures();
    m_work.Foto[0].clear();
    m_work.Foto[1].clear();
    m_work.Pict.clear();

    m_progress->start();
    m_history.reset(m_work.Pict);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QColor Main::backgroundColour() const
{
    return QColor(m_rscroll->value(), m_gscroll->value(), m_bscroll->value());
}

void Main::applyBackgroundColour()
{
    const QRgb colour = backgroundColour().rgb();
    m_work.Foto[1].setFillColor(colour);
    m_work.Foto[1].clear();
    Foto0(2).picture().setFillColor(colour);
    Foto0(2).picture().clear();
    Foto0(2).refresh();
}

void Main::Foto0_Click(int slot)
{
    QSize memoryFor;
    if (loadSlotWithDialog(m_work, slot, Foto0(slot).picture(), *m_services.dialogs, *m_services.pointer,
                           &memoryFor) == LoadOutcome::OutOfMemory)
        reportLoadOutOfMemory(memoryFor);
    Foto0(slot).refresh();
    resultChanged();
}

bool Main::Foto0_Drop(int slot, const QString &path, QString *why)
{
    QSize memoryFor;
    const LoadOutcome outcome =
        loadSlotFile(m_work, slot, Foto0(slot).picture(), path, *m_services.pointer, why, &memoryFor);
    if (outcome == LoadOutcome::OutOfMemory)
        reportLoadOutOfMemory(memoryFor);
    Foto0(slot).refresh();
    resultChanged();
    return outcome == LoadOutcome::Loaded;
}

void Main::NewKnop_Click(int slot)
{
    clearSlot(m_work, slot, Foto0(slot).picture());
    Foto0(slot).refresh();
}

void Main::ExitKnop_Click()
{
    Settings settings;
    settings.resultWidth = m_work.ResultWidth;
    settings.resultHeight = m_work.ResultHeight;
    settings.jpgQuality = m_jpgQuality;
    // The program ends all the same, but not without saying that the size
    // and quality of this run will not be there next time.
    if (!writeSettingsFile(m_services.files.settingsFile, settings))
        m_services.messages->show(tr("Fout bij het bewaren van de instellingen!"));
    m_ending = true;
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void Main::closeEvent(QCloseEvent *event)
{
    // The close box ends the program without writing the settings.
    m_ending = true;
    event->accept();
}

} // namespace mergola
