#pragma once
// The designer that makes new label objects from kind names and places them on a
// site, with the switches each kind needs (edit before placing, drag to create).
#include "objects/ULabelObject.h"
#include <QString>
#include <functional>

namespace velmo {

class TLOCreator : public TDesigner
{
public:
    // The class a kind makes (exact class name), or an empty string for an unknown kind.
    static QString ClassForKind(const QString& kind);
    // Shows the kind's dialog before the object is placed.
    static bool EditFirst(const QString& kind);
    // The user drags out the new object's extent.
    static bool DragToCreate(const QString& kind);

    TLabelObject* MakeObject(const QString& kind) override;
    bool CreateObject(TDrawSite* site, const QString& kind) override;

    // Kind-specific preparation supplied by the modules of those kinds (image
    // source, clipboard picture or text, today's date, numbering start), run after
    // the generic preparation.
    using TPreparation = std::function<void(TLabelObject* object, TDrawSite* site)>;
    static void SetPreparation(const QString& kind, TPreparation preparation);
    static bool HasPreparation(const QString& kind);
    // The layout editor initialises new objects from its current settings.
    static void SetCreationHook(std::function<void(TLabelObject* object)> hook);
    // A designer whose dialog turned a new object (not yet on a site) into one of
    // another class hands the replacement here; CreateObject places it instead and
    // frees the original. Ownership passes at once.
    static void ReplaceNewObject(TLabelObject* original, TLabelObject* replacement);
    // Called whenever an object was created (the editor resets its move modes).
    static void SetCreatedHook(std::function<void()> hook);
};

} // namespace velmo
