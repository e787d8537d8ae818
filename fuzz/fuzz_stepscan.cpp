// The scan before the STEP reader against the reader itself: bytes put anywhere into sound
// files must leave the scan's list of entity numbers the one the reader builds, or a number
// defined twice or a self-reference could hide from the scan again. A difference aborts.
#include "fuzzsupport.h"

#include "foundation/faulttrap.h"
#include "foundation/stepscan.h"

#include <STEPControl_Reader.hxx>
#include <StepData_StepModel.hxx>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// False when the reader failed or faulted, as it does on some records its parser only half
// read: the importer refuses those files whole, so they say nothing of the scan.
bool readerNumbers(const std::string& bytes, std::vector<std::int64_t>& numbers)
try {
    bool read = false;
    return FaultTrap::run([&] {
        std::istringstream stream(bytes);
        STEPControl_Reader reader;
        read = reader.ReadStream("input.step", stream) == IFSelect_RetDone;
        const opencascade::handle<StepData_StepModel> model =
            opencascade::handle<StepData_StepModel>::DownCast(reader.Model());
        for (int i = 1; !model.IsNull() && i <= model->NbEntities(); ++i)
            numbers.push_back(model->IdentLabel(model->Value(i)));
    }) && read;
} catch (...) {
    return false;
}

} // namespace

// Mutations that insert a few bytes, often one the lexer has a rule for, keep the inputs
// close to the sound files of the corpus, where a record hidden from the scan matters.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    static const char kRuled[] = "'/*#\"()=,;$.-+!&E0_Az \n\t\r";
    unsigned int state = seed;
    const auto next = [&state] { return state = state * 1103515245u + 12345u, state >> 8; };
    const size_t count = 1 + next() % 4;
    for (size_t i = 0; i < count && size < maxSize; ++i) {
        const size_t at = next() % (size + 1);
        std::memmove(data + at + 1, data + at, size - at);
        data[at] = next() % 2 ? uint8_t(kRuled[next() % (sizeof(kRuled) - 1)]) : uint8_t(next());
        ++size;
    }
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quietLogs();
    StepScan scan;
    // Numbers beyond the int range, scopes and texts that never close are refused before the
    // reader; so are numbers defined twice, on which the reader reads unset memory.
    if (!scan.feed(reinterpret_cast<const char*>(data), size) || !scan.finish() || scan.scoped()
        || scan.unclosed() != StepScan::Open::None)
        return 0;
    const std::vector<std::int64_t>& ids = scan.ids();
    if (std::set<std::int64_t>(ids.begin(), ids.end()).size() != ids.size())
        return 0;
    const size_t length = scan.ended() ? size_t(scan.endOffset()) : size;
    const std::vector<std::int64_t> expected = scan.readable() ? ids : std::vector<std::int64_t>();
    std::vector<std::int64_t> read;
    if (!readerNumbers(std::string(reinterpret_cast<const char*>(data), length), read))
        return 0;
    if (read != expected) {
        std::fprintf(stderr, "the scan found %zu entities, the reader %zu\n", expected.size(), read.size());
        std::abort();
    }
    return 0;
}
