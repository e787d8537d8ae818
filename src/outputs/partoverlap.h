// Whether a shape shares material with a part: a common volume above 1e-7 mm³, the burial
// analysis's "intersection". Boxes settle most shapes (apart, or no face of the part near the
// shape: then one of its points tells in from out), a vertex deep in the other most of the rest;
// a boolean common answers only where none does. Never throws.
#pragma once

#include <Bnd_Box.hxx>
#include <Message_ProgressRange.hxx>
#include <TopoDS_Shape.hxx>

#include <memory>
#include <optional>
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
    // A boolean, where one is needed, reports through progress; broken off, it answers true.
    bool overlaps(const TopoDS_Shape& shape, const Message_ProgressRange& progress = Message_ProgressRange());
    // The answer of overlaps where boxes and points give it; none where only the boolean can.
    std::optional<bool> settle(const TopoDS_Shape& shape);
    // The boolean alone. Unlike the rest, it may run on several threads at once (one shape each):
    // it reads the part and changes nothing of it.
    bool measure(const TopoDS_Shape& shape, const Message_ProgressRange& progress = Message_ProgressRange()) const;

    // Where a box stands: apart from every solid of the part, wholly inside one, or crossed by
    // a face of the part (also when that cannot be told).
    enum class Region { Apart, Inside, Crossed };
    Region region(const Bnd_Box& box);
    // A shape's box, as the tests above take it.
    static Bnd_Box boxOf(const TopoDS_Shape& shape);

private:
    struct Solid;
    std::vector<Solid*> near(const Bnd_Box& box) const;
    bool clearOfFaces(const Bnd_Box& box, const std::vector<Solid*>& solids) const;
    std::vector<std::unique_ptr<Solid>> m_solids;
    // Boxes clear of every face, each with where it stands: a box whose hull with one of them
    // is clear too stands there as well, with no point to classify.
    struct Settled
    {
        Bnd_Box box;
        Region region;
    };
    std::vector<Settled> m_settled;
    bool m_solidless = false;
};
