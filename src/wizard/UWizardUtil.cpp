#include "wizard/UWizardUtil.h"

#include "base/UNumbers.h"
#include "document/UTemplateInfo.h"
#include "draw/UDOInterfaces.h"
#include "draw/UDrawObject.h"
#include "objects/ULOImage.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "text/ULOText.h"
#include <QAbstractButton>

namespace velmo {

namespace {

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool ListHolds(const QStringList& list, const QString& name)
{
    for (const QString& element : list)
        if (SameName(element, name))
            return true;
    return false;
}

} // namespace

// ---- run state ----

TWizardBase::TWizardBase(TVelmoPapers* papers) : FPapers(papers) {}

TWizardBase::~TWizardBase() = default;

void TWizardBase::SetPaper(TPaperInfo* paper)
{
    FPaper = paper;
    FExtraInfo.reset();
    FImageInfo.reset();
    if (!paper || !FPapers)
        return;
    FExtraInfo = FPapers->GetExInfo(paper->PaperName(), false);
    std::unique_ptr<TExtraPaperInfo> images =
        FPapers->FindRecord(TVelmoPapers::PaperImagesBaseName(), paper->PaperName());
    if (auto* record = dynamic_cast<TImagePaperInfo*>(images.get())) {
        images.release();
        FImageInfo.reset(record);
    }
}

void TWizardBase::SetNextEnabled(bool enabled) const
{
    if (EnableNext)
        EnableNext(enabled);
}

void TWizardBase::PressNext() const
{
    if (NextButton && NextButton->isEnabled())
        NextButton->click();
}

TWizardInfo::TWizardInfo(TVelmoPapers* papers, const QString& dataFile) : TWizardBase(papers), FDat(dataFile)
{
}

QString TWizardInfo::FolderForPurpose(const QString& purpose) const
{
    const QStringList purposes = Purposes();
    const QStringList folders = Folders();
    for (int i = 0; i < purposes.size(); ++i)
        if (SameName(purposes[i], purpose))
            return i < folders.size() ? folders[i] : QString();
    return {};
}

TOsoroiInfo::TOsoroiInfo(TVelmoPapers* papers, const QString& dataFile) : TWizardBase(papers), FDat(dataFile)
{
}

// ---- papers ----

QString WizardFacePurpose(const TPaperInfo& paper, int face, const QString& paperPurpose)
{
    const QString purpose = paper.GetFacePurpose(face);
    return purpose.isEmpty() ? paperPurpose : purpose;
}

bool PassesSizeFilter(const TPaperInfo& paper, TSizeFilter filter)
{
    const int w = paper.PortraitWidth(), h = paper.PortraitHeight();
    const bool a4 = w == 2100 && h == 2970;
    const bool postcard = w == 1000 && h > 1469 && h < 1481;
    switch (filter) {
    case TSizeFilter::sfAll:
        return true;
    case TSizeFilter::sfA4:
        return a4;
    case TSizeFilter::sfPostcard:
        return postcard;
    case TSizeFilter::sfOther:
        return !a4 && !postcard;
    }
    return true;
}

QString MakerOfPaper(const TPaperInfo& paper)
{
    if (!paper.ReadOnly())
        return kUserMaker;
    const QString& name = paper.PaperName();
    const qsizetype blank = name.indexOf(u' ');
    if (blank >= 0)
        return name.left(blank);
    if (name.contains(kStandardMaker))
        return name.left(kStandardMaker.size());
    return {};
}

QStringList MakerList(const std::vector<TPaperInfo*>& papers)
{
    QStringList makers;
    bool standard = false, user = false;
    for (const TPaperInfo* paper : papers) {
        const QString maker = MakerOfPaper(*paper);
        if (maker == kStandardMaker) {
            standard = true;
            continue;
        }
        if (maker == kUserMaker) {
            user = true;
            continue;
        }
        if (!makers.contains(maker))
            makers << maker;
    }
    QStringList list{kAllMakers};
    list << makers;
    if (standard)
        list << kStandardMaker;
    if (user)
        list << kUserMaker;
    return list;
}

QString PaperCountText(const TPaperInfo& paper)
{
    if (const auto* matrix = dynamic_cast<const TMatrixPaperInfo*>(&paper))
        return QStringLiteral("%1x%2").arg(matrix->FaceCountX()).arg(matrix->FaceCountY());
    return QString::number(paper.GetFaceCount());
}

std::vector<int> WizardCandidates(const TVelmoPapers& papers, const QStringList& purposes)
{
    std::vector<int> result;
    if (purposes.isEmpty())
        return result;
    for (int i = 0; i < papers.Count(); ++i) {
        const TPaperInfo* paper = papers.Paper(i);
        if (!paper)
            continue;
        QString paperPurpose;
        bool paperPurposeRead = false;
        for (int k = 0; k < paper->GetFaceCount(); ++k) {
            QString purpose = paper->GetFacePurpose(k);
            if (purpose.isEmpty()) {
                if (!paperPurposeRead) {
                    if (auto extra = papers.GetExInfo(paper->PaperName(), false))
                        paperPurpose = extra->Purpose();
                    paperPurposeRead = true;
                }
                purpose = paperPurpose;
            }
            if (!purpose.isEmpty() && ListHolds(purposes, purpose)) {
                result.push_back(i);
                break;
            }
        }
    }
    return result;
}

std::vector<int> OsoroiCandidates(const TVelmoPapers& papers, const QStringList& paperNames)
{
    std::vector<int> result;
    for (int i = 0; i < papers.Count(); ++i)
        if (const TPaperInfo* paper = papers.Paper(i); paper && ListHolds(paperNames, paper->PaperName()))
            result.push_back(i);
    return result;
}

// ---- steps ----

QString WizardStepTitle(int step)
{
    switch (step) {
    case wsGenre:
        return QStringLiteral("ジャンルの選択");
    case wsPaper:
        return QStringLiteral("用紙の選択");
    case wsDesign:
        return QStringLiteral("デザインの選択");
    case wsPhoto:
        return QStringLiteral("写真の指定");
    case wsInput:
        return QStringLiteral("入力項目の指定");
    case wsFinish:
        return QStringLiteral("作成データの確認");
    }
    return {};
}

int WizardNextStep(int step, bool photo)
{
    if (step == wsFinish)
        return wsDesign;
    if (step == wsDesign)
        return photo ? wsPhoto : wsInput;
    return std::min(step + 1, int(wsFinish));
}

int WizardPrevStep(int step, bool photo)
{
    if (step == wsInput && !photo)
        return wsDesign;
    return std::max(step - 1, int(wsGenre));
}

int OsoroiNextStep(int step, bool photo, bool texts)
{
    if (step == wsFinish)
        return wsDesign;
    if (step == wsDesign)
        return photo ? wsPhoto : texts ? wsInput : wsFinish;
    if (step == wsPhoto)
        return texts ? wsInput : wsFinish;
    return std::min(step + 1, int(wsFinish));
}

int OsoroiPrevStep(int step, bool photo, bool texts)
{
    if (step == wsInput && !photo)
        return wsDesign;
    if (step == wsFinish && !texts)
        return photo ? wsPhoto : wsDesign;
    return std::max(step - 1, int(wsGenre));
}

QString WizardCaption(int step, bool photo)
{
    const QString title = WizardStepTitle(step);
    if (photo) {
        if (step == wsPhoto || step == wsInput)
            return QStringLiteral("ウイザード %1/%2-%3 %4")
                .arg(4)
                .arg(5)
                .arg(step == wsPhoto ? 1 : 2)
                .arg(title);
        return QStringLiteral("ウイザード %1/%2 %3").arg(step == wsFinish ? 5 : step + 1).arg(5).arg(title);
    }
    return QStringLiteral("ウイザード %1/%2 %3").arg(step <= wsDesign ? step + 1 : step).arg(5).arg(title);
}

QString OsoroiCaption(int step)
{
    return QStringLiteral("おそろいラベル %1/%2 %3").arg(step + 1).arg(6).arg(WizardStepTitle(step));
}

// ---- designs ----

std::vector<TDrawObject*> PhotoPlaceholders(const TDOList& design)
{
    std::vector<TDrawObject*> result;
    for (TDrawObject* object : design.Objects())
        if (auto* image = dynamic_cast<TLOWizardImage*>(object); image && image->WizInputEnable())
            result.push_back(object);
    return result;
}

std::vector<TDrawObject*> TextFields(const TDOList& design)
{
    std::vector<TDrawObject*> result;
    for (TDrawObject* object : design.Objects())
        if (auto* text = dynamic_cast<TLOWizardText*>(object);
            text && text->WizInputEnable() && !text->WizInputCaption().isEmpty())
            result.push_back(object);
    return result;
}

QString TextFieldCaption(TDrawObject* object)
{
    auto* text = dynamic_cast<TLOWizardText*>(object);
    return text ? text->WizInputCaption() : QString();
}

QString TextFieldText(TDrawObject* object)
{
    auto* text = dynamic_cast<TLOWizardText*>(object);
    return text ? text->Text()->Lines().join(u'\n') : QString();
}

void SetTextFieldText(TDrawObject* object, const QString& text)
{
    if (auto* field = dynamic_cast<TLOWizardText*>(object))
        field->SetLines(text.split(u'\n'));
}

TLogRect ObjectRect(TDrawObject* object)
{
    if (IDOBounds* bounds = Supports<IDOBounds>(object)) {
        const int left = bounds->GetBoundsLeft(), top = bounds->GetBoundsTop();
        return {left, top, left + bounds->GetBoundsWidth(), top + bounds->GetBoundsHeight()};
    }
    return {};
}

void SetObjectRect(TDrawObject* object, const TLogRect& rect)
{
    if (IDOBounds* bounds = Supports<IDOBounds>(object)) {
        bounds->SetBoundsWidth(rect.Width());
        bounds->SetBoundsHeight(rect.Height());
        bounds->SetBoundsLeft(rect.Left);
        bounds->SetBoundsTop(rect.Top);
    }
}

void MapObjectsBetween(const TDOList& objects, const TLogRect& from, const TLogRect& to)
{
    if (from == to || from.IsEmpty() || to.IsEmpty())
        return;
    for (TDrawObject* object : objects.Objects()) {
        if (IDOBounds* bounds = Supports<IDOBounds>(object)) {
            const TLogRect r = ObjectRect(object);
            const int fw = from.Width(), fh = from.Height(), tw = to.Width(), th = to.Height();
            const int left = MulDiv(r.Left - from.Left, tw, fw) + to.Left;
            const int top = MulDiv(r.Top - from.Top, th, fh) + to.Top;
            const int right = MulDiv(r.Right - from.Left, tw, fw) + to.Left;
            const int bottom = MulDiv(r.Bottom - from.Top, th, fh) + to.Top;
            (void)bounds;
            SetObjectRect(object, {left, top, right, bottom});
        } else {
            MapBetweenLabels(object, from, to);
        }
    }
}

TLogRect FitInside(const TLogRect& box, int pictureWidth, int pictureHeight)
{
    if (box.IsEmpty() || pictureWidth <= 0 || pictureHeight <= 0)
        return box;
    int width = box.Width();
    int height = MulDiv(width, pictureHeight, pictureWidth);
    if (height > box.Height()) {
        height = box.Height();
        width = MulDiv(height, pictureWidth, pictureHeight);
    }
    const int left = box.Left + (box.Width() - width) / 2;
    const int top = box.Top + (box.Height() - height) / 2;
    return {left, top, left + width, top + height};
}

} // namespace velmo
