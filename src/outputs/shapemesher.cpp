#include "outputs/shapemesher.h"

#include <BRepMesh_Context.hxx>
#include <BRepMesh_DelabellaMeshAlgoFactory.hxx>
#include <BRepMesh_FaceDiscret.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepMesh_MeshAlgoFactory.hxx>
#include <IMeshData_Face.hxx>
#include <IMeshTools_MeshAlgo.hxx>
#include <IMeshTools_MeshAlgoFactory.hxx>
#include <TopoDS_Shape.hxx>

namespace {

// Chooses per face, once its wires are known.
class PlaneAlgo : public IMeshTools_MeshAlgo
{
public:
    PlaneAlgo(const Handle(IMeshTools_MeshAlgo)& usual, const Handle(IMeshTools_MeshAlgo)& holed)
        : m_usual(usual), m_holed(holed)
    {
    }

    void Perform(const IMeshData::IFaceHandle& face, const IMeshTools_Parameters& parameters,
                 const Message_ProgressRange& range) override
    {
        const bool holed = face->WiresNb() >= ShapeMesher::kManyWires;
        (holed ? m_holed : m_usual)->Perform(face, parameters, range);
    }

private:
    Handle(IMeshTools_MeshAlgo) m_usual, m_holed;
};

class Factory : public IMeshTools_MeshAlgoFactory
{
public:
    Handle(IMeshTools_MeshAlgo) GetAlgo(const GeomAbs_SurfaceType type,
                                        const IMeshTools_Parameters& parameters) const override
    {
        const Handle(IMeshTools_MeshAlgo) usual = m_usual->GetAlgo(type, parameters);
        if (type != GeomAbs_Plane)
            return usual;
        return new PlaneAlgo(usual, m_holed->GetAlgo(type, parameters));
    }

private:
    Handle(IMeshTools_MeshAlgoFactory) m_usual = new BRepMesh_MeshAlgoFactory;
    Handle(IMeshTools_MeshAlgoFactory) m_holed = new BRepMesh_DelabellaMeshAlgoFactory;
};

} // namespace

namespace ShapeMesher {

void mesh(const TopoDS_Shape& shape, double linearDeflection, double angularDeflection,
          const Message_ProgressRange& progress)
{
    BRepMesh_IncrementalMesh mesher;
    mesher.SetShape(shape);
    IMeshTools_Parameters& parameters = mesher.ChangeParameters();
    parameters.Deflection = linearDeflection;
    parameters.Angle = angularDeflection;
    parameters.Relative = false;
    parameters.InParallel = true;
    const Handle(BRepMesh_Context) context = new BRepMesh_Context(parameters.MeshAlgo);
    context->SetFaceDiscret(new BRepMesh_FaceDiscret(new Factory));
    mesher.Perform(context, progress);
}

} // namespace ShapeMesher
