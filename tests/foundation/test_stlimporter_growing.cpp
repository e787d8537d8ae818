// An STL file that changes while it is imported: the import reads what the file held when it
// was opened, and no more; a file that ends sooner is refused at once.
#include "meshfixtures.h"

#include "foundation/stlimporter.h"
#include "foundation/stlmesh.h"

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>

#include <QFile>

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

using namespace MeshFixtures;

namespace {

class StlGrowingTest : public PartFileTest
{
};

// Appends to the file once, the nth time the read stage shows, by then the file is open; with
// nothing to append, cuts the file to half its size instead. Tells whether a later stage began.
class Grower : public Message_ProgressIndicator
{
public:
    Grower(QString path, QByteArray more, int nth) : m_path(std::move(path)), m_more(std::move(more)), m_nth(nth) {}

    Standard_Boolean UserBreak() override { return false; }
    void Show(const Message_ProgressScope& scope, const Standard_Boolean) override
    {
        for (const Message_ProgressScope* s = &scope; s; s = s->Parent()) {
            if (s->Name() && std::strcmp(s->Name(), StlStage::kRead) == 0) {
                const std::lock_guard<std::mutex> lock(m_mutex);
                if (++m_shown == m_nth) {
                    QFile file(m_path);
                    m_grew = m_more.isEmpty() ? file.resize(file.size() / 2)
                                              : file.open(QIODevice::Append) && file.write(m_more) == m_more.size();
                }
                return;
            }
            if (s->Name() && std::strncmp(s->Name(), "STL ", 4) == 0) {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_later = true;
            }
        }
    }

    bool grew() const { return m_grew; }
    bool later() const { return m_later; }

private:
    QString m_path;
    QByteArray m_more;
    int m_nth;
    std::mutex m_mutex;
    int m_shown = 0;
    bool m_grew = false;
    bool m_later = false;
};

} // namespace

// The file grows by a second solid, or by facets after its end, as soon as the reader starts
// on it: the part is made of the triangles the file held when it was opened. The file is long
// enough that the reader has not taken it whole by then.
TEST_F(StlGrowingTest, WhatTheFileGrowsByAfterItWasOpenedIsNotRead)
{
    QList<Triangle> cubes;
    for (int i = 0; i < 1000; ++i)
        cubes += cubeTriangles(10.0, gp_Vec(20.0 * i, 0, 0));
    const QByteArray held = asciiStl(cubes);
    const QByteArray far = asciiStl(cubeTriangles(10.0, gp_Vec(0, 100, 0)));
    struct Row { const char* name; QByteArray more; };
    for (const Row& row : {Row{"second solid", far}, Row{"facets after the end", far.mid(far.indexOf("facet"))}}) {
        SCOPED_TRACE(row.name);
        const QString stl = file(QStringLiteral("grows.stl"), held);
        const opencascade::handle<Grower> grower = new Grower(stl, row.more, 2);
        const StlImportResult r = StlImporter::importStl(stl, -1.0, grower->Start());
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        ASSERT_TRUE(grower->grew());
        EXPECT_EQ(r.triangleCount, cubes.size());
        EXPECT_EQ(QFile(stl).size(), held.size() + row.more.size());
    }
}

// The file loses its second half as soon as the reader starts on it: the import says at once that
// the file changed while it was read, instead of sewing the half it got (and calling it damaged
// minutes later). Text and binary alike.
TEST_F(StlGrowingTest, FileThatShrinksWhileReadIsRefusedAtOnce)
{
    QList<Triangle> cubes;
    for (int i = 0; i < 1000; ++i)
        cubes += cubeTriangles(10.0, gp_Vec(20.0 * i, 0, 0));
    for (const QByteArray& held : {asciiStl(cubes), binaryStl(cubes)}) {
        SCOPED_TRACE(held.startsWith("solid") ? "text" : "binary");
        const QString stl = file(QStringLiteral("shrinks.stl"), held);
        const opencascade::handle<Grower> shrinker = new Grower(stl, QByteArray(), 2);
        const StlImportResult r = StlImporter::importStl(stl, -1.0, shrinker->Start());
        ASSERT_TRUE(shrinker->grew());
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(shrinker->later());
        EXPECT_EQ(r.error.toStdString(), QString("The STL file changed while it was read: it now holds less than when "
                                                 "it was opened. Import it again once it is written whole: %1")
                                             .arg(stl)
                                             .toStdString());
    }
}
