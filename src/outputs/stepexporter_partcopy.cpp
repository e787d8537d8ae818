// The export's own copy of the part, checked: solid by solid, so that a part of many solids
// reports between them and a break is answered in time.
#include "outputs/stepexporter.h"

#include "foundation/jobs.h"

#include <BRep_Builder.hxx>
#include <Message_ProgressScope.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>

#include <map>

namespace {

struct Copier
{
    explicit Copier(Message_ProgressScope& progress) : scope(progress) {}

    Message_ProgressScope& scope;
    bool valid = true;
    // Instances of one solid (a STEP assembly's repeated parts) stay instances of one copy.
    std::map<const TopoDS_TShape*, TopoDS_Shape> copies;

    TopoDS_Shape copy(const TopoDS_Shape& shape)
    {
        if (shape.ShapeType() != TopAbs_COMPOUND) {
            const TopoDS_Shape bare = shape.Located(TopLoc_Location()).Oriented(TopAbs_FORWARD);
            auto known = copies.find(shape.TShape().get());
            if (known == copies.end()) {
                if (!scope.More())
                    return TopoDS_Shape();
                const TopoDS_Shape copied = StepExporter::copyShape(bare);
                valid = valid && OccUtils::isValidShape(copied);
                scope.Next();
                known = copies.emplace(shape.TShape().get(), copied).first;
            }
            return known->second.Located(shape.Location()).Oriented(shape.Orientation());
        }
        BRep_Builder builder;
        TopoDS_Compound compound;
        builder.MakeCompound(compound);
        for (TopoDS_Iterator child(shape); child.More(); child.Next()) {
            const TopoDS_Shape copied = copy(child.Value());
            if (copied.IsNull())
                return TopoDS_Shape();
            builder.Add(compound, copied);
        }
        return compound;
    }
};

int leavesOf(const TopoDS_Shape& shape)
{
    if (shape.ShapeType() != TopAbs_COMPOUND)
        return 1;
    int count = 0;
    for (TopoDS_Iterator child(shape); child.More(); child.Next())
        count += leavesOf(child.Value());
    return count;
}

} // namespace

TopoDS_Shape StepExporter::copyPart(const TopoDS_Shape& part, bool& valid, const Message_ProgressRange& progress)
{
    valid = false;
    if (part.IsNull())
        return part;
    const int leaves = leavesOf(part);
    if (leaves < 2) {
        // One solid cannot be split: it is copied and checked on a helper thread meanwhile
        // this one reports.
        TopoDS_Shape copied;
        const bool ran = Jobs::succeeded(
            progress, "copyPart", Jobs::Reads::Shared,
            [&](const Jobs::Stop&) {
                copied = copyShape(part);
                valid = OccUtils::isValidShape(copied);
                return true;
            },
            true);
        return ran ? copied : TopoDS_Shape();
    }
    Message_ProgressScope scope(progress, nullptr, double(leaves));
    Copier copier(scope);
    const TopoDS_Shape copied = OccUtils::guardedCall(TopoDS_Shape(), "copyPart", [&] { return copier.copy(part); });
    valid = !copied.IsNull() && copier.valid;
    return copied;
}
