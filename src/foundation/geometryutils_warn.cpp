#include "foundation/geometryutils_p.h"
#include "foundation/occutils.h"

namespace GeometryUtils::detail {

void warnCaught(const char* operation)
{
    try {
        throw;
    } catch (const Standard_Failure& failure) {
        OccUtils::detail::warnOccFailure(operation, failure);
    } catch (const std::exception& exception) {
        OccUtils::detail::warnStdException(operation, exception);
    } catch (...) {
        OccUtils::detail::warnUnknown(operation);
    }
}

} // namespace GeometryUtils::detail
