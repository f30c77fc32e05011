#include "LabelTestClasses.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"

namespace velmo::test {

const TPropertyTable& TLOTestRect::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Angle", &TLOTestRect::Angle, &TLOTestRect::SetAngle)
                                            .Default(0);
    return table;
}

#define VELMO_TEST_TABLE(Name)                                                                               \
    const TPropertyTable& Name::Properties()                                                                 \
    {                                                                                                        \
        static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());              \
        return table;                                                                                        \
    }
VELMO_TEST_TABLE(TLOLine)
VELMO_TEST_TABLE(TLORect)
VELMO_TEST_TABLE(TLOCircle)
VELMO_TEST_TABLE(TLOText)
VELMO_TEST_TABLE(TLOWizardText)
VELMO_TEST_TABLE(TLOVelmoText)
VELMO_TEST_TABLE(TLODate)
VELMO_TEST_TABLE(TLOField)
VELMO_TEST_TABLE(TLOImage)
VELMO_TEST_TABLE(TLOWizardImage)
VELMO_TEST_TABLE(TLOVelmoImage)
VELMO_TEST_TABLE(TLOJANCode)
VELMO_TEST_TABLE(TLOBarCode)

void RegisterStandIns()
{
    ClearLabelClasses();
    RegisterLabelClass<TLOLine>();
    RegisterLabelClass<TLOJANCode>();
    RegisterLabelClass<TLOBarCode>();
    RegisterLabelClass<TLOCircle>();
    RegisterLabelClass<TLODate>();
    RegisterLabelClass<TLOImage>();
    RegisterLabelClass<TLOText>();
    RegisterLabelClass<TDOGroup>();
    RegisterLabelClass<TLOField>();
    UnRegisterLabelClass<TLOText>();
    RegisterLabelClass<TLOVelmoText>();
    RegisterLabelAlias<TLOVelmoText>(QStringLiteral("TLOText"));
    RegisterLabelAlias<TLOVelmoText>(QStringLiteral("TLOMirtoText"));
    UnRegisterLabelClass<TLOImage>();
    RegisterLabelClass<TLOVelmoImage>();
    RegisterLabelAlias<TLOVelmoImage>(QStringLiteral("TLOImage"));
    UnRegisterLabelClass<TLOJANCode>();
    RegisterLabelAlias<TLOBarCode>(QStringLiteral("TLOJANCode"));
}

} // namespace velmo::test
