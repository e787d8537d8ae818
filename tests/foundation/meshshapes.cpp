#include "meshshapes.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

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

Soup spikedSphere(int level, double radius, double height)
{
    const double g = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<gp_XYZ> nodes = {{-1, g, 0}, {1, g, 0}, {-1, -g, 0}, {1, -g, 0}, {0, -1, g}, {0, 1, g},
                                 {0, -1, -g}, {0, 1, -g}, {g, 0, -1}, {g, 0, 1}, {-g, 0, -1}, {-g, 0, 1}};
    std::vector<std::array<int, 3>> faces = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                             {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                             {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                             {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    for (gp_XYZ& n : nodes)
        n = n.Normalized() * radius;
    for (int l = 0; l < level; ++l) {
        std::map<std::pair<int, int>, int> middles;
        const auto middle = [&](int a, int b) {
            const auto key = std::minmax(a, b);
            const auto [it, added] = middles.emplace(key, int(nodes.size()));
            if (added)
                nodes.push_back((nodes[std::size_t(a)] + nodes[std::size_t(b)]).Normalized() * radius);
            return it->second;
        };
        std::vector<std::array<int, 3>> split;
        for (const auto& f : faces) {
            const int ab = middle(f[0], f[1]), bc = middle(f[1], f[2]), ca = middle(f[2], f[0]);
            split.insert(split.end(), {{f[0], ab, ca}, {f[1], bc, ab}, {f[2], ca, bc}, {ab, bc, ca}});
        }
        faces.swap(split);
    }
    Soup soup;
    soup.reserve(3 * faces.size());
    for (const auto& f : faces) {
        const gp_XYZ &a = nodes[std::size_t(f[0])], &b = nodes[std::size_t(f[1])], &c = nodes[std::size_t(f[2])];
        const gp_XYZ tip = ((a + b + c) / 3.0).Normalized() * (radius + height);
        soup.push_back({a, b, tip});
        soup.push_back({b, c, tip});
        soup.push_back({c, a, tip});
    }
    return soup;
}

namespace {

// The two triangles of the quad a b c d, its corners counter-clockwise seen from the side it faces.
void addQuad(Soup& soup, const gp_XYZ& a, const gp_XYZ& b, const gp_XYZ& c, const gp_XYZ& d, bool inward = false)
{
    if (inward) {
        soup.push_back({a, c, b});
        soup.push_back({a, d, c});
    } else {
        soup.push_back({a, b, c});
        soup.push_back({a, c, d});
    }
}

// A box whose four sides along x are split into `steps` strips along x.
void addBox(Soup& soup, const gp_XYZ& low, const gp_XYZ& size, int steps, bool alongY = false)
{
    // Built along x, then turned onto y by swapping the axes (which turns the faces too).
    const auto at = [&](double x, double y, double z) {
        return alongY ? gp_XYZ(low.X() + size.X() * y, low.Y() + size.Y() * x, low.Z() + size.Z() * z)
                      : gp_XYZ(low.X() + size.X() * x, low.Y() + size.Y() * y, low.Z() + size.Z() * z);
    };
    for (int k = 0; k < steps; ++k) {
        const double x0 = double(k) / steps, x1 = double(k + 1) / steps;
        addQuad(soup, at(x0, 0, 0), at(x0, 1, 0), at(x1, 1, 0), at(x1, 0, 0), alongY);     // bottom
        addQuad(soup, at(x0, 0, 1), at(x1, 0, 1), at(x1, 1, 1), at(x0, 1, 1), alongY);     // top
        addQuad(soup, at(x0, 0, 0), at(x1, 0, 0), at(x1, 0, 1), at(x0, 0, 1), alongY);     // y = 0
        addQuad(soup, at(x0, 1, 0), at(x0, 1, 1), at(x1, 1, 1), at(x1, 1, 0), alongY);     // y = 1
    }
    addQuad(soup, at(0, 0, 0), at(0, 0, 1), at(0, 1, 1), at(0, 1, 0), alongY); // x = 0
    addQuad(soup, at(1, 0, 0), at(1, 1, 0), at(1, 1, 1), at(1, 0, 1), alongY); // x = 1
}

} // namespace

Soup box(const gp_XYZ& low, const gp_XYZ& size, bool inward)
{
    Soup soup;
    addBox(soup, low, size, 1);
    if (inward)
        for (auto& t : soup)
            std::swap(t[1], t[2]);
    return soup;
}

Soup wellComb(int teeth, double depth, int steps)
{
    const int across = std::max(1, int(std::ceil(std::sqrt(double(teeth)))));
    const int rows = (teeth + across - 1) / across;
    // Each tile 10 mm square, its well in the middle: grid lines at 0, 4, 6 and 10 in each.
    const double in[4] = {0, 4, 6, 10};
    std::vector<double> xs, ys;
    for (int i = 0; i < across; ++i)
        for (int k = 0; k < 3; ++k)
            xs.push_back(10.0 * i + in[k]);
    xs.push_back(10.0 * across);
    for (int j = 0; j < rows; ++j)
        for (int k = 0; k < 3; ++k)
            ys.push_back(10.0 * j + in[k]);
    ys.push_back(10.0 * rows);
    const auto well = [&](std::size_t i, std::size_t j) {
        const int tile = int(j / 3) * across + int(i / 3);
        return i % 3 == 1 && j % 3 == 1 && tile < teeth;
    };
    Soup soup;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i)
        for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
            const double x0 = xs[i], x1 = xs[i + 1], y0 = ys[j], y1 = ys[j + 1];
            addQuad(soup, {x0, y0, 0}, {x0, y1, 0}, {x1, y1, 0}, {x1, y0, 0}); // bottom, whole
            if (!well(i, j)) {
                addQuad(soup, {x0, y0, 10}, {x1, y0, 10}, {x1, y1, 10}, {x0, y1, 10});
                continue;
            }
            // The well's walls face into it, its floor up into it; split down their height.
            for (int s = 0; s < steps; ++s) {
                const double z1 = 10.0 - (10.0 + depth) * s / steps, z0 = 10.0 - (10.0 + depth) * (s + 1) / steps;
                addQuad(soup, {x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, true);
                addQuad(soup, {x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, true);
                addQuad(soup, {x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, true);
                addQuad(soup, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, true);
            }
            addQuad(soup, {x0, y0, -depth}, {x1, y0, -depth}, {x1, y1, -depth}, {x0, y1, -depth});
        }
    const double xEnd = xs.back(), yEnd = ys.back();
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        addQuad(soup, {xs[i], 0, 0}, {xs[i + 1], 0, 0}, {xs[i + 1], 0, 10}, {xs[i], 0, 10});
        addQuad(soup, {xs[i], yEnd, 0}, {xs[i], yEnd, 10}, {xs[i + 1], yEnd, 10}, {xs[i + 1], yEnd, 0});
    }
    for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
        addQuad(soup, {0, ys[j], 0}, {0, ys[j], 10}, {0, ys[j + 1], 10}, {0, ys[j + 1], 0});
        addQuad(soup, {xEnd, ys[j], 0}, {xEnd, ys[j + 1], 0}, {xEnd, ys[j + 1], 10}, {xEnd, ys[j], 10});
    }
    return soup;
}

Soup crossingTeeth(int count, int steps)
{
    Soup soup;
    const double length = 2.0 * count;
    for (int i = 0; i < count; ++i) {
        addBox(soup, gp_XYZ(0, 2.0 * i + 0.5, 0), gp_XYZ(length, 1, 1), steps);
        addBox(soup, gp_XYZ(2.0 * i + 0.5, 0, 0.5), gp_XYZ(1, length, 1), steps, true);
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
