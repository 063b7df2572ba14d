#include "import/texture_fitter.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace hostsim {

namespace {

double Median(std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

}  // namespace

void TextureFitter::Add(Face* face, Texture* texture, const Vec3 (&corners)[3],
                        const double (&s)[3], const double (&t)[3]) {
    // The gradient of a coordinate is the in-plane vector g with g.e1 = d1 and g.e2 = d2 for the
    // two edges from the first corner: solve in the basis (e1, e2).
    const Vec3 e1 = corners[1] - corners[0], e2 = corners[2] - corners[0];
    const double a11 = e1.Dot(e1), a12 = e1.Dot(e2), a22 = e2.Dot(e2);
    const double det = a11 * a22 - a12 * a12;
    if (!(det > 1e-12 * a11 * a22)) return;
    auto gradient = [&](double d1, double d2) {
        double alpha = (d1 * a22 - d2 * a12) / det, beta = (d2 * a11 - d1 * a12) / det;
        return e1 * alpha + e2 * beta;
    };
    Vec3 gs = gradient(s[1] - s[0], s[2] - s[0]), gt = gradient(t[1] - t[0], t[2] - t[0]);
    if (!(gs.Length() > 1e-12) || !(gt.Length() > 1e-12)) return;
    samples_.push_back({face, texture, corners[0], s[0], t[0], gs, gt});
}

void TextureFitter::Apply(Model& model) {
    std::map<Texture*, std::pair<std::vector<double>, std::vector<double>>> sizes;
    for (const Sample& x : samples_) {
        sizes[x.texture].first.push_back(1.0 / x.gradS.Length());
        sizes[x.texture].second.push_back(1.0 / x.gradT.Length());
    }
    for (auto& [texture, wh] : sizes)
        model.SetTextureSize(texture, Median(wh.first), Median(wh.second));

    for (const Sample& x : samples_) {
        // The origin O puts the first corner at (s0, t0): its offset from O, measured along the
        // normalised axes (which need not be square to each other), is (s0 W, t0 H).
        const Vec3 u = x.gradS.Normalized(), v = x.gradT.Normalized();
        const double c = u.Dot(v), det = 1 - c * c;
        if (det < 1e-9) continue;
        const double a = x.s0 * x.texture->width, b = x.t0 * x.texture->height;
        const double alpha = (a - b * c) / det, beta = (b - a * c) / det;
        model.SetTextureAxes(x.face, x.origin - (u * alpha + v * beta), u, v);
    }
}

}  // namespace hostsim
