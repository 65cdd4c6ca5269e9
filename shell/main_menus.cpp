// The four pop-up menus of `Main`. None sits on a menu bar: each is popped
// up at the mouse pointer by its button.
#include "shell/main_window.h"

#include "filters/filter_menu.h"

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

QString indexed(const char *array, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(index);
}

} // namespace

void Main::buildMenus()
{
    m_menuSave = popupMenu(this, "MenuSave", QStringLiteral("Save"));
    entry(m_menuSave, QStringLiteral("MenuSaveJpg"), QStringLiteral("JPG  Picture"));
    entry(m_menuSave, QStringLiteral("MenuSaveBmp"), QStringLiteral("BMP Picture"));

    m_afdrukken = popupMenu(this, "Afdrukken", QStringLiteral("Afdrukken"));
    entry(m_afdrukken, QStringLiteral("PrintDubbel"), QStringLiteral("Portrait"));
    entry(m_afdrukken, QStringLiteral("PrintEnkel"), QStringLiteral("Landscape"));
    entry(m_afdrukken, QStringLiteral("PrintAppart"), QStringLiteral("Appart"));

    m_filter = popupMenu(this, "Filter", QStringLiteral("Effecten"));
    for (const FilterMenuEntry &fil : kFilMenu) {
        const QString caption = QString::fromUtf8(fil.caption);
        if (fil.action == MenuAction::Submenu) {
            QMenu *fils = popupMenu(m_filter, "fils", caption);
            for (const FilterMenuEntry &sub : kFilsMenu)
                entry(fils, indexed("fils", sub.index), QString::fromUtf8(sub.caption));
            m_filter->addMenu(fils)->setObjectName(indexed("fil", fil.index));
        } else {
            entry(m_filter, indexed("fil", fil.index), caption);
        }
    }

    m_combineer = popupMenu(this, "Combineer", QStringLiteral("Combineer"));
    entry(m_combineer, indexed("comb", 1), QStringLiteral("Door elkaar"));
    entry(m_combineer, indexed("comb", 2), QStringLiteral("Painting"));
    entry(m_combineer, indexed("comb", 3), QStringLiteral("Onder elkaar"));

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
