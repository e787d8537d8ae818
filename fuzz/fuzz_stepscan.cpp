// The scan before the STEP reader against the reader itself, both ways. Bytes put anywhere into
// sound files must leave the scan's list of entity numbers the one the reader builds, or a
// number defined twice or a cycle could hide from the scan again; and a file the scan refuses
// must not be one the reader reads and transfers cleanly, unless the refusal names a fault the
// reader hides (a number defined twice, a cycle, an assembly nested beyond its stack). A
// difference aborts.
#include "fuzzsupport.h"

#include "foundation/faulttrap.h"
#include "foundation/stepimporter.h"
#include "foundation/stepscan.h"

#include <TopExp_Explorer.hxx>

#include <sys/wait.h>
#include <unistd.h>

#include <STEPControl_Reader.hxx>
#include <StepData_StepModel.hxx>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// Whether the reader reads the bytes with no damage the import refuses, and transfers every
// root into geometry.
// In a child process: on what the scan refuses, the reader may crash beyond the fault trap.
bool readsCleanly(const QByteArray& bytes)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        alarm(60);
        bool clean = false;
        try {
            FaultTrap::run([&] {
                std::istringstream stream(bytes.toStdString());
                STEPControl_Reader reader;
                if (reader.ReadStream("input.step", stream) != IFSelect_RetDone || reader.Model().IsNull()
                    || StepImporter::damagedShapeEntityCount(reader) > 0 || reader.NbRootsForTransfer() < 1)
                    return;
                for (int i = 1; i <= reader.NbRootsForTransfer(); ++i) {
                    if (!reader.TransferRoot(i) || !TopExp_Explorer(reader.Shape(reader.NbShapes()), TopAbs_VERTEX).More())
                        return;
                }
                clean = true;
            });
        } catch (...) {
            clean = false;
        }
        _exit(clean ? 0 : 1);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const StepFileCheck check = StepImporter::checkBytes(bytes);
    if (!check.sound) {
        if (check.fault == StepFileCheck::DefinedTwice || check.fault == StepFileCheck::Cycle
            || check.fault == StepFileCheck::NestedTooDeep)
            return 0;
        if (readsCleanly(check.bytes)) {
            std::fprintf(stderr, "the scan refused a file the reader reads: %s\n", qPrintable(check.reason));
            std::abort();
        }
        return 0;
    }
    StepScan scan;
    scan.feed(bytes.constData(), size);
    scan.finish();
    const std::vector<std::int64_t>& ids = scan.ids();
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
