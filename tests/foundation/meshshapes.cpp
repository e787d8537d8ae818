#include "meshshapes.h"

#include <QFile>

#include <cmath>
#include <cstring>

namespace MeshShapes {

namespace {

// The (2, 3) torus knot, radii 20 and 8 mm.
gp_XYZ knot(double t)
{
    const double r = 20.0 + 8.0 * std::cos(3.0 * t);
    return gp_XYZ(r * std::cos(2.0 * t), r * std::sin(2.0 * t), 8.0 * std::sin(3.0 * t));
}

} // namespace

Soup torusKnot(int wanted, bool slivers)
{
    // Four times as many steps along the knot as around the 3 mm tube; with slivers, as many
    // (and an even number) around, so that three neighbours around lie nearly in line.
    int around = std::max(4, int(std::sqrt(double(wanted) / (slivers ? 2.0 : 8.0))));
    around += around % 2;
    const int along = std::max(3, wanted / 2 / around);
    std::vector<gp_XYZ> ring(std::size_t(along) * std::size_t(around));
    for (int i = 0; i < along; ++i) {
        const double t = 2.0 * M_PI * i / along;
        const gp_XYZ c = knot(t);
        gp_XYZ tangent = knot(t + 1e-4) - knot(t - 1e-4);
        tangent.Normalize();
        gp_XYZ n = tangent ^ gp_XYZ(0, 0, 1);
        n.Normalize();
        const gp_XYZ b = tangent ^ n;
        for (int j = 0; j < around; ++j) {
            const double a = 2.0 * M_PI * j / around;
            ring[std::size_t(i) * std::size_t(around) + std::size_t(j)] = c + 3.0 * (std::cos(a) * n + std::sin(a) * b);
        }
    }
    // Indices wrap, so that shared corners are the very same numbers.
    auto at = [&](int i, int j) { return ring[std::size_t(i % along) * std::size_t(around) + std::size_t(j % around)]; };
    Soup soup;
    soup.reserve(2 * std::size_t(along) * std::size_t(around));
    for (int i = 0; i < along; ++i) {
        if (!slivers) {
            for (int j = 0; j < around; ++j) {
                soup.push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j)});
                soup.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1)});
            }
            continue;
        }
        // Over two steps around, the strip meets ring i along the chord that skips a point,
        // and the sliver between chord and point closes the gap; ring i + 1 is met step by step.
        for (int j = 0; j < around; j += 2) {
            soup.push_back({at(i, j), at(i, j + 1), at(i, j + 2)});
            soup.push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j)});
            soup.push_back({at(i, j), at(i, j + 2), at(i + 1, j + 1)});
            soup.push_back({at(i, j + 2), at(i + 1, j + 2), at(i + 1, j + 1)});
        }
    }
    return soup;
}

Soup nearWeldedSphere(int wanted, double radius)
{
    const int rows = std::max(3, int(std::sqrt(double(wanted) / 4.0)));
    const int columns = std::max(3, wanted / (2 * rows));
    // Each corner from its own angles: the last column's sin(2 pi) and the south pole's
    // sin(pi) are not quite zero.
    auto point = [&](int row, int column) {
        const double polar = M_PI * row / rows, azimuth = 2.0 * M_PI * column / columns;
        return gp_XYZ(radius * std::sin(polar) * std::cos(azimuth), radius * std::sin(polar) * std::sin(azimuth),
                      radius * std::cos(polar));
    };
    Soup soup;
    soup.reserve(2 * std::size_t(rows) * std::size_t(columns));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const gp_XYZ a = point(r, c), b = point(r + 1, c), d = point(r + 1, c + 1), e = point(r, c + 1);
            soup.push_back({a, b, d}); // a pole row's other triangle has two corners at the pole
            soup.push_back({a, d, e});
        }
    return soup;
}

Soup moved(Soup soup, const gp_XYZ& offset)
{
    for (auto& t : soup)
        for (auto& p : t)
            p += offset;
    return soup;
}

bool writeBinaryStl(const QString& path, const Soup& soup)
{
    QByteArray bytes(84 + 50 * qsizetype(soup.size()), '\0');
    std::memcpy(bytes.data(), "binary STL", 10);
    const auto count = quint32(soup.size());
    for (int k = 0; k < 4; ++k)
        bytes[80 + k] = char((count >> (8 * k)) & 0xff);
    char* out = bytes.data() + 84;
    for (const auto& t : soup) {
        float values[12] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            values[3 + 3 * k] = float(t[std::size_t(k)].X());
            values[4 + 3 * k] = float(t[std::size_t(k)].Y());
            values[5 + 3 * k] = float(t[std::size_t(k)].Z());
        }
        std::memcpy(out, values, sizeof values); // little-endian, like the machines this runs on
        out += 50;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace MeshShapes
