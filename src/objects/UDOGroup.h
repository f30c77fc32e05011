#pragma once
// A group of label objects: the members are owned by the group, have no site of
// their own and are painted, hit-tested, moved and resized by the group.
#include "objects/ULabelObject.h"

namespace velmo {

class TDOGroup : public TLabelObject, public IDOEncloseBounds, public IDOBounds, public IDODraw
{
    VELMO_DRAW_OBJECT(TDOGroup, TLabelObject)
public:
    explicit TDOGroup(TComponent* owner = nullptr);
    ~TDOGroup() override;

    void* QueryInterface(const TGUID& iid) override;

    // The owned draw objects in ownership order.
    int MemberCount() const;
    TDrawObject* Members(int index) const;
    std::vector<TDrawObject*> MemberList() const;
    // Takes ownership; the member leaves any site it was on.
    void AddMember(TDrawObject* object);

    // Clones the members (last to first) onto the group's site, selects and adds
    // each and records it as added; returns the copies. Removing the group is the
    // caller's step.
    std::vector<TDrawObject*> Ungroup();

    void Paint(QPainter& painter) override;
    bool HitTest(QPoint logical) override;
    TLogRect GetEncloseRect() const override;

    // IDOEncloseBounds
    void MoveBy(int dx, int dy) override;
    void SetEncloseSize(int width, int height) override;
    TLogRect GetEncloseBounds() const override { return GetEncloseRect(); }
    // IDOBounds
    int GetBoundsLeft() const override { return GetEncloseRect().Left; }
    void SetBoundsLeft(int value) override;
    int GetBoundsTop() const override { return GetEncloseRect().Top; }
    void SetBoundsTop(int value) override;
    int GetBoundsWidth() const override { return GetEncloseRect().Width(); }
    void SetBoundsWidth(int value) override;
    int GetBoundsHeight() const override { return GetEncloseRect().Height(); }
    void SetBoundsHeight(int value) override;
    bool KeepsAspect() const override { return false; }
    // IDODraw
    void DrawObjectTo(QPainter& painter) override { DrawTo(painter); }
    void DrawGhostOutline(QPainter& painter) override;

    // Component streams: the members are the group's children.
    void GetChildren(const TGetChildProc& proc, const TComponent* root) const override;
    TComponent* GetChildOwner() override { return this; }
    TComponent* GetChildParent() override { return this; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    void GeometryChanged();
};

} // namespace velmo
