// `Main`, the program's one window: two picture slots on the left, a column
// of command buttons in the middle, the result, tools, progress display,
// working size, lens and quality box on the right. It owns the pictures for
// the whole run and hands each event to the folder that owns the behaviour.
//
// The layout lives in main_layout.cpp, the pop-up menus in main_menus.cpp,
// the handlers that change the result in main_actions.cpp, those of the
// size, lens, help, example and software buttons in main_buttons.cpp, and
// start-up and the rest in main_window.cpp.
#pragma once

#include "filters/engine.h"
#include "output/print_layout.h"
#include "platform/history.h"
#include "platform/pixel_memory.h"
#include "platform/printer.h"
#include "platform/program_files.h"
#include "platform/services.h"
#include "shell/picture_box.h"
#include "shell/progress_display.h"
#include "shell/settings.h"
#include "shell/workspace.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QTextBrowser;

namespace mergola {

struct FilterMenuEntry;
class LensView;

// What the window needs from the platform. The program passes the real Qt
// implementations; tests pass fakes and a folder of their own.
struct MainServices {
    FileDialogs *dialogs = nullptr;
    MessageBox *messages = nullptr;
    BusyPointer *pointer = nullptr;
    EventLoopTurn *eventLoop = nullptr;
    Printer *printer = nullptr;
    ModalWindows *modals = nullptr;
    WebPages *webPages = nullptr;
    ScreenReader *screen = nullptr;
    ProgramFiles files; // where Mergola.ini, help.htm, the converter and the temporary BMP live
};

class Main : public QWidget {
    Q_OBJECT
public:
    explicit Main(const MainServices &services, QWidget *parent = nullptr);
    ~Main() override;

    // The window's client size; the window manager adds its own frame.
    static constexpr int kClientWidth = 784;
    static constexpr int kClientHeight = 542;

    Workspace &workspace() { return m_work; }
    int jpgQuality() const { return m_jpgQuality; }
    ProgressDisplay &progressDisplay() { return *m_progress; }
    QColor backgroundColour() const;

    PictureBox &Foto0(int slot) { return *m_foto0[static_cast<std::size_t>(slot - 1)]; }
    PictureBox &Pict0() { return *m_pict0; }

    // Event handlers, public so that tests can drive them as the user would.
    void Foto0_Click(int slot);
    // A file dropped on Foto0(slot), or named on the command line. Returns
    // whether it was loaded; why, if given, receives the reason it was not.
    bool Foto0_Drop(int slot, const QString &path, QString *why = nullptr);
    void NewKnop_Click(int slot);
    void ExitKnop_Click();
    void CombineResult(int index); // the `comb` entries 1 to 3
    void fil_Click(int index);
    void fils_Click(int index);
    const Filters &filters() const { return m_filters; }
    void MenuSaveBmp_Click();
    void MenuSaveJpg_Click();
    void MenuSavePng_Click();
    void Print_Click(PrintLayout layout); // the `Afdrukken` entries
    void BorderKnop_Click();
    void SizeKnop_Click();
    void LoepKnop_Click();
    void Timer1_Timer(); // one lens frame, as the 25 ms timer draws it
    bool lensOn() const;
    void HelpKnop_Click();
    void ExampleKnop_Click();
    void SoftwareKnop_Click();

    // The web address that "Software" opens.
    static QUrl softwarePage();

    // The keyboard's editing commands (main_editing.cpp). Undo and redo
    // wait while a filter runs; Esc stops it.
    void EditUndo();
    void EditRedo();
    void StopFilter();
    void EditCopy();
    void EditPaste(); // into the slot under the pointer or with the focus
    void Foto0_Paste(int slot);
    const History &history() const { return m_history; }
    bool preparingMemory() const { return m_memoryPreparation.busy(); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // main_layout.cpp
    void buildLayout();
    QWidget *group(const char *name, int left, int top, int width, int height);
    QPushButton *button(QWidget *group, const char *name, QRect twips, const QString &caption, QRgb colour,
                        const QString &toolTip = {});
    QLabel *label(QWidget *group, const char *name, int left, int top, const QString &text);
    void plate(QWidget *group, const char *name, QRect twips);

    // main_menus.cpp
    void buildMenus();
    void popUp(QMenu *menu);

    // main_actions.cpp
    void redrawPict0();
    void runFilterMenuEntry(const FilterMenuEntry *entry);
    void reportOutOfMemory(int width, int height);
    // Memory ran out while a file loaded: for its picture of this size, if known.
    void reportLoadOutOfMemory(const QSize &picture);

    // main_buttons.cpp
    void connectButtons();
    void showHelpPage();

    // main_editing.cpp
    void buildShortcuts();
    void setTabOrder();
    // Every handler that may have changed `Pict` calls this once at its end.
    // An idle window then readies the memory the next filter will take.
    void resultChanged();

    // main_window.cpp
    void startUp();
    void applyBackgroundColour();

    MainServices m_services;
    Workspace m_work;
    int m_jpgQuality = kDefaultJpgQuality;
    std::int32_t m_filterProgress = 0;
    bool m_ending = false;
    bool m_stopFilter = false;
    Filters m_filters;
    // Filter runs keep their large blocks for the next run (marked for the
    // kernel to take whenever it needs them), and a changed result has the
    // blocks the next run takes readied; after a while without a change
    // they go back to the system for certain.
    QTimer m_spareMemoryRelease;
    SparePixelPreparation m_memoryPreparation;
    History m_history{defaultHistoryBudget()};

    std::array<PictureBox *, 2> m_foto0{};
    PictureBox *m_pict0 = nullptr;
    PictureBox *m_loepPic = nullptr;
    PictureBox *m_bar = nullptr;
    PictureBox *m_label88 = nullptr;
    QLabel *m_progressLabel = nullptr;
    QLabel *m_maatLabel = nullptr;
    QPushButton *m_saveKnop = nullptr;
    QPushButton *m_sizeKnop = nullptr;
    QPushButton *m_borderKnop = nullptr;
    QPushButton *m_printKnop = nullptr;
    QPushButton *m_helpKnop = nullptr;
    QPushButton *m_combineKnop = nullptr;
    QPushButton *m_loepKnop = nullptr;
    QPushButton *m_exampleKnop = nullptr;
    QPushButton *m_exitKnop = nullptr;
    QPushButton *m_softwareKnop = nullptr;
    QPushButton *m_filterKnop = nullptr;
    QPushButton *m_newKnop1 = nullptr;
    QPushButton *m_newKnop2 = nullptr;
    QScrollBar *m_rscroll = nullptr;
    QScrollBar *m_gscroll = nullptr;
    QScrollBar *m_bscroll = nullptr;
    QScrollBar *m_slider1 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QTextBrowser *m_webBrowser = nullptr;
    QMenu *m_menuSave = nullptr;
    QMenu *m_afdrukken = nullptr;
    QMenu *m_filter = nullptr;
    QMenu *m_combineer = nullptr;
    std::unique_ptr<ProgressDisplay> m_progress;
    LensView *m_lens = nullptr;
};

} // namespace mergola
