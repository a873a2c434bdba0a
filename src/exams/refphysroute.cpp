#include "refphysroute.h"

RefPhysEnd refPhysEnd(ActionCode code, ReferrerTarget target, bool numberReserved)
{
    const int mode = actionNumber(code);
    // From 800 on (the referrer field entered, an existing X-ray number) the list alone is wanted;
    // the existing-number mode then lists the examinations of that number.
    if (mode >= actionNumber(ActionCode::ReferrerEntered))
        return mode == actionNumber(ActionCode::ExistingXRayNo) ? RefPhysEnd::ListExaminations : RefPhysEnd::Close;
    switch (target) {
    case ReferrerTarget::NewVisit:
        if (code == ActionCode::New && !numberReserved)
            return RefPhysEnd::CloseShowAndDrawNumber;
        return RefPhysEnd::CloseAndShow;
    case ReferrerTarget::EditVisitDetails:
        return RefPhysEnd::LoadProcedures;
    case ReferrerTarget::Other:
        break;
    }
    return RefPhysEnd::Close;
}
