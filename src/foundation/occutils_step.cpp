#include "foundation/occutils.h"

#include <mutex>

namespace OccUtils {

std::mutex& stepTranslation()
{
    static std::mutex translation;
    return translation;
}

} // namespace OccUtils
