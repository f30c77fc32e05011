#pragma once
// A recently used list shown as menu items after an anchor item.
#include "app/UHistoryManager.h"
#include <QPointer>
#include <functional>

class QAction;
class QMenu;

namespace velmo {

class THistoryMenuManager : public THistoryManager
{
    Q_OBJECT
public:
    explicit THistoryMenuManager(QObject* owner = nullptr);
    ~THistoryMenuManager() override;

    // The item after which the entries appear; it is hidden while the manager runs.
    void SetMenuItem(QAction* anchor);
    void SetUseAccelerator(bool value);
    void SetClearHistoryCaption(const QString& caption);

    // (the chosen entry), after it was moved to the front.
    std::function<void(const QString&)> OnMenuClick;

    // Rebuilds the items (also done whenever the menu is about to show).
    void RebuildMenu();
    // The items the manager made, in menu order (separators included).
    QList<QAction*> CreatedActions() const;

    // "&0 entry" … "&9 entry", "&A entry" …; ampersands in the entry stay visible.
    static QString MenuCaption(int index, const QString& entry, bool useAccelerator);

protected:
    void ListChanged() override { RebuildMenu(); }

private:
    QMenu* AnchorMenu() const;
    void RemoveCreated();

    QPointer<QAction> FMenuItem;
    QPointer<QMenu> FConnectedMenu;
    bool FUseAccelerator = false;
    QString FClearCaption;
    QList<QPointer<QAction>> FCreated;
};

} // namespace velmo
