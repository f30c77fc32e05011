// gLabels projects on untrusted bytes: inflated, parsed, every object converted into
// a new document. Nothing may crash, hang or allocate without bound; a refused file
// raises our exception and nothing else.
#include "document/ULabelData.h"
#include "glabels/UGlabelsProject.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "merge/ULOInsertion.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULDObjects.h"
#include "objects/ULOImage.h"
#include "paper/UPaperInfo.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static const bool initialised = [] {
        RegisterImagingGraphics();
        RegisterPictureFormats();
        RegisterPaperClasses();
        RegisterShapeClasses();
        RegisterImageClasses();
        RegisterMergeClasses();
        return true;
    }();
    (void)initialised;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        TGlabelsOptions options;
        options.FileName = QStringLiteral("/nonexistent/fuzz.glabels");
        TGlabelsProject project = ImportGlabelsProject(bytes, options);
        if (!project.Document || !project.Document->Paper())
            __builtin_trap();
        // What was written reads back as a design.
        if (project.Document->LabelHasData(0)) {
            TDOList list;
            project.Document->ReadLabel(0, list);
            list.FreeObjects();
        }
    } catch (const Exception&) {
    }
    return 0;
}
