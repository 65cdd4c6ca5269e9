// The four pop-up menus of `Main`. None sits on a menu bar: each is popped
// up at the mouse pointer by its button.
#include "shell/main_window.h"

#include "combine/combine.h"
#include "filters/filter_menu.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QPushButton>

namespace mergola {

namespace {

QMenu *popupMenu(QWidget *owner, const char *name, const QString &caption)
{
    auto *menu = new QMenu(caption, owner);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QAction *entry(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

// The filter and combine tables mark their captions for translation in
// the context "Menu".
QString translatedCaption(const char *caption)
{
    return QCoreApplication::translate("Menu", caption);
}

QString indexed(const char *array, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(index);
}

} // namespace

void Main::buildMenus()
{
    m_menuSave = popupMenu(this, "MenuSave", tr("Save"));
    connect(entry(m_menuSave, QStringLiteral("MenuSaveJpg"), tr("JPG  Picture")), &QAction::triggered,
            this, &Main::MenuSaveJpg_Click);
    connect(entry(m_menuSave, QStringLiteral("MenuSaveBmp"), tr("BMP Picture")), &QAction::triggered,
            this, &Main::MenuSaveBmp_Click);
    // Lossless and read everywhere: added after the two original entries.
    connect(entry(m_menuSave, QStringLiteral("MenuSavePng"), tr("PNG Picture")), &QAction::triggered,
            this, &Main::MenuSavePng_Click);

    m_afdrukken = popupMenu(this, "Afdrukken", tr("Afdrukken"));
    const struct {
        const char *name;
        const char *caption;
        PrintLayout layout;
    } printEntries[] = {
        {"PrintDubbel", QT_TR_NOOP("Portrait"), PrintLayout::Portrait},
        {"PrintEnkel", QT_TR_NOOP("Landscape"), PrintLayout::Landscape},
        {"PrintAppart", QT_TR_NOOP("Appart"), PrintLayout::Appart},
    };
    for (const auto &print : printEntries) {
        const PrintLayout layout = print.layout;
        connect(entry(m_afdrukken, QLatin1String(print.name), tr(print.caption)), &QAction::triggered,
                this, [this, layout] { Print_Click(layout); });
    }

    m_filter = popupMenu(this, "Filter", tr("Effecten"));
    for (const FilterMenuEntry &fil : kFilMenu) {
        const QString caption = translatedCaption(fil.caption);
        if (fil.action == MenuAction::Submenu) {
            QMenu *fils = popupMenu(m_filter, "fils", caption);
            for (const FilterMenuEntry &sub : kFilsMenu) {
                const int index = sub.index;
                connect(entry(fils, indexed("fils", index), translatedCaption(sub.caption)), &QAction::triggered,
                        this, [this, index] { fils_Click(index); });
            }
            m_filter->addMenu(fils)->setObjectName(indexed("fil", fil.index));
            // Opening the submenu is a click on its own entry, which runs no
            // filter but still starts the progress display.
            const int index = fil.index;
            connect(fils, &QMenu::aboutToShow, this, [this, index] { fil_Click(index); });
        } else {
            const int index = fil.index;
            connect(entry(m_filter, indexed("fil", index), caption), &QAction::triggered, this,
                    [this, index] { fil_Click(index); });
        }
    }

    m_combineer = popupMenu(this, "Combineer", tr("Combineer"));
    for (const CombineMode &mode : kCombineModes) {
        const int index = mode.index;
        connect(entry(m_combineer, indexed("comb", index), translatedCaption(mode.caption)), &QAction::triggered,
                this, [this, index] { CombineResult(index); });
    }

    connect(m_saveKnop, &QPushButton::clicked, this, [this] { popUp(m_menuSave); });
    connect(m_printKnop, &QPushButton::clicked, this, [this] { popUp(m_afdrukken); });
    connect(m_filterKnop, &QPushButton::clicked, this, [this] { popUp(m_filter); });
    connect(m_combineKnop, &QPushButton::clicked, this, [this] { popUp(m_combineer); });
}

void Main::popUp(QMenu *menu)
{
    menu->popup(QCursor::pos());
}

} // namespace mergola
