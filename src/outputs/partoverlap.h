// Whether a shape shares material with a part: a common volume above 1e-7 mm³, the burial
// analysis's "intersection". A point settles most shapes (a vertex or the centre of one deep
// in the other, or boxes apart); a boolean common answers only where no point does. Never throws.
#pragma once

#include <TopoDS_Shape.hxx>

#include <memory>
#include <vector>

class PartOverlap
{
public:
    explicit PartOverlap(const TopoDS_Shape& part);
    ~PartOverlap();
    PartOverlap(const PartOverlap&) = delete;
    PartOverlap& operator=(const PartOverlap&) = delete;

    // True also when the answer cannot be had (a part of no solid, a failed boolean): a shape is
    // never said to stand outside the part on a doubt.
    bool overlaps(const TopoDS_Shape& shape);

private:
    struct Solid;
    std::vector<std::unique_ptr<Solid>> m_solids;
    bool m_solidless = false;
};
