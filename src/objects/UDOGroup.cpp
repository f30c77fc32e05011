#include "objects/UDOGroup.h"
#include "draw/FDrawSite.h"
#include <algorithm>

namespace velmo {

TDOGroup::TDOGroup(TComponent* owner) : TLabelObject(owner) {}

TDOGroup::~TDOGroup()
{
    DestroyComponents();
}

const TPropertyTable& TDOGroup::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

void* TDOGroup::QueryInterface(const TGUID& iid)
{
    if (iid == IDOEncloseBounds::IID)
        return static_cast<IDOEncloseBounds*>(this);
    if (iid == IDOBounds::IID)
        return static_cast<IDOBounds*>(this);
    if (iid == IDODraw::IID)
        return static_cast<IDODraw*>(this);
    return TLabelObject::QueryInterface(iid);
}

std::vector<TDrawObject*> TDOGroup::MemberList() const
{
    std::vector<TDrawObject*> members;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* object = dynamic_cast<TDrawObject*>(Components(i)))
            members.push_back(object);
    return members;
}

int TDOGroup::MemberCount() const
{
    return int(MemberList().size());
}

TDrawObject* TDOGroup::Members(int index) const
{
    return MemberList().at(size_t(index));
}

void TDOGroup::AddMember(TDrawObject* object)
{
    if (!object || object == this)
        return;
    object->SetSite(nullptr);
    InsertComponent(object);
    GeometryChanged();
}

void TDOGroup::GeometryChanged()
{
    Changed();
    Invalidate();
    UpdateBounds();
}

void TDOGroup::Paint(QPainter& painter)
{
    for (TDrawObject* member : MemberList())
        member->DrawTo(painter);
}

bool TDOGroup::HitTest(QPoint logical)
{
    for (TDrawObject* member : MemberList())
        if (member->HitTest(logical))
            return true;
    return false;
}

TLogRect TDOGroup::GetEncloseRect() const
{
    const std::vector<TDrawObject*> members = MemberList();
    if (members.empty())
        return {};
    TLogRect r = members.front()->GetEncloseRect();
    for (size_t i = 1; i < members.size(); ++i) {
        const TLogRect m = members[i]->GetEncloseRect();
        r = {std::min(r.Left, m.Left), std::min(r.Top, m.Top), std::max(r.Right, m.Right),
             std::max(r.Bottom, m.Bottom)};
    }
    return r;
}

void TDOGroup::MoveBy(int dx, int dy)
{
    for (TDrawObject* member : MemberList())
        if (IDOEncloseBounds* bounds = Supports<IDOEncloseBounds>(member))
            bounds->MoveBy(dx, dy);
    GeometryChanged();
}

void TDOGroup::SetEncloseSize(int width, int height)
{
    const TLogRect from = GetEncloseRect();
    TDOList members;
    for (TDrawObject* member : MemberList())
        members.Add(member);
    ScaleObjects(members, from, {from.Left, from.Top, from.Left + width, from.Top + height});
    GeometryChanged();
}

void TDOGroup::SetBoundsLeft(int value)
{
    MoveBy(value - GetEncloseRect().Left, 0);
    Changed();
    Invalidate();
}

void TDOGroup::SetBoundsTop(int value)
{
    MoveBy(0, value - GetEncloseRect().Top);
}

void TDOGroup::SetBoundsWidth(int value)
{
    SetEncloseSize(value, GetEncloseRect().Height());
}

void TDOGroup::SetBoundsHeight(int value)
{
    SetEncloseSize(GetEncloseRect().Width(), value);
}

void TDOGroup::DrawGhostOutline(QPainter& painter)
{
    for (TDrawObject* member : MemberList())
        if (IDODraw* draw = Supports<IDODraw>(member))
            draw->DrawGhostOutline(painter);
}

void TDOGroup::GetChildren(const TGetChildProc& proc, const TComponent*) const
{
    for (TDrawObject* member : MemberList())
        proc(member);
}

void TDOGroup::AssignDrawObject(const TDrawObject& source)
{
    TLabelObject::AssignDrawObject(source);
    const auto* other = dynamic_cast<const TDOGroup*>(&source);
    if (!other || other == this)
        return;
    for (TDrawObject* member : MemberList())
        delete member;
    for (TDrawObject* member : other->MemberList())
        CloneDrawObject(*member, this);
    GeometryChanged();
}

std::vector<TDrawObject*> TDOGroup::Ungroup()
{
    std::vector<TDrawObject*> copies;
    TDrawSite* site = Site();
    if (!site)
        return copies;
    const std::vector<TDrawObject*> members = MemberList();
    for (auto it = members.rbegin(); it != members.rend(); ++it) {
        TDrawObject* copy = CloneDrawObject(**it, site);
        copy->SetSelected(true);
        site->AddObject(copy);
        RecordAddAction(copy, QStringLiteral("追加"));
        copies.push_back(copy);
    }
    return copies;
}

} // namespace velmo
