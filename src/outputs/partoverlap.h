// Whether a shape shares material with a part: a common volume above 1e-7 mm³, the burial
// analysis's "intersection". Boxes settle most shapes (apart, or no face of the part near the
// shape: then one of its points tells in from out), a vertex deep in the other most of the rest;
// a boolean common answers only where none does. Never throws.
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
