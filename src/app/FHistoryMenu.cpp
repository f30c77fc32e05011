#include "app/FHistoryMenu.h"
#include <QAction>
#include <QMenu>

namespace velmo {

THistoryMenuManager::THistoryMenuManager(QObject* owner) : THistoryManager(owner) {}

THistoryMenuManager::~THistoryMenuManager()
{
    RemoveCreated();
}

QString THistoryMenuManager::MenuCaption(int index, const QString& entry, bool useAccelerator)
{
    QString text = entry;
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    if (!useAccelerator)
        return text;
    const QChar key = index < 10 ? QChar(u'0' + index) : QChar(u'A' + (index - 10) % 26);
    return QLatin1Char('&') + key + QLatin1Char(' ') + text;
}

void THistoryMenuManager::SetMenuItem(QAction* anchor)
{
    RemoveCreated();
    if (FConnectedMenu)
        disconnect(FConnectedMenu, nullptr, this, nullptr);
    FMenuItem = anchor;
    FConnectedMenu = AnchorMenu();
    if (FConnectedMenu)
        connect(FConnectedMenu, &QMenu::aboutToShow, this, &THistoryMenuManager::RebuildMenu);
    RebuildMenu();
}

void THistoryMenuManager::SetUseAccelerator(bool value)
{
    FUseAccelerator = value;
}

void THistoryMenuManager::SetClearHistoryCaption(const QString& caption)
{
    FClearCaption = caption;
}

QMenu* THistoryMenuManager::AnchorMenu() const
{
    if (!FMenuItem)
        return nullptr;
    for (QObject* object : FMenuItem->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(object))
            return menu;
    return nullptr;
}

void THistoryMenuManager::RemoveCreated()
{
    // An item may be removed while its own click is being delivered: take it out of
    // the menu now and free it once the click is over.
    for (const QPointer<QAction>& action : std::as_const(FCreated)) {
        if (!action)
            continue;
        for (QObject* object : action->associatedObjects())
            if (auto* widget = qobject_cast<QWidget*>(object))
                widget->removeAction(action);
        action->deleteLater();
    }
    FCreated.clear();
}

QList<QAction*> THistoryMenuManager::CreatedActions() const
{
    QList<QAction*> result;
    for (const QPointer<QAction>& action : FCreated)
        if (action)
            result.append(action);
    return result;
}

void THistoryMenuManager::RebuildMenu()
{
    if (!FMenuItem)
        return;
    RemoveCreated();
    if (RegistryKey().isEmpty())
        return;
    Reload();
    FMenuItem->setVisible(false);
    QMenu* menu = AnchorMenu();
    const QStringList items = CachedItems();
    if (!menu || items.isEmpty())
        return;

    const QList<QAction*> actions = menu->actions();
    qsizetype position = actions.indexOf(FMenuItem) + 1;
    auto insertAt = [&](QAction* action) {
        const QList<QAction*> now = menu->actions();
        menu->insertAction(position < now.size() ? now[position] : nullptr, action);
        ++position;
        FCreated.append(action);
    };
    if (position > 1) {
        auto* separator = new QAction(menu);
        separator->setSeparator(true);
        insertAt(separator);
    }
    for (int i = 0; i < items.size(); ++i) {
        auto* action = new QAction(MenuCaption(i, items[i], FUseAccelerator), menu);
        const QString entry = items[i];
        connect(action, &QAction::triggered, this, [this, entry] {
            Add(entry);
            if (OnMenuClick)
                OnMenuClick(entry);
        });
        insertAt(action);
    }
    if (!FClearCaption.isEmpty()) {
        auto* separator = new QAction(menu);
        separator->setSeparator(true);
        insertAt(separator);
        auto* clear = new QAction(FClearCaption, menu);
        connect(clear, &QAction::triggered, this, [this] { Clear(); });
        insertAt(clear);
    }
}

} // namespace velmo
