// Texture placement for imported faces. A face's texture coordinates fix where its texture
// starts and which way it runs; the size of one repeat belongs to the texture, shared by
// every face painted with it, so it is the median of the sizes those faces ask for. Faces
// whose coordinates stretch the texture more or less than that median show it at the
// shared size.
#pragma once

#include <vector>

#include "model/model.h"

namespace hostsim {

class TextureFitter {
  public:
    // Three corners of a face (in its collection's coordinates, not in a line) with their
    // texture coordinates.
    void Add(Face* face, Texture* texture, const Vec3 (&corners)[3], const double (&s)[3],
             const double (&t)[3]);
    // Sizes the textures and places them on the faces.
    void Apply(Model& model);

  private:
    struct Sample {
        Face* face;
        Texture* texture;
        Vec3 origin;        // the first corner
        double s0, t0;      // its texture coordinates
        Vec3 gradS, gradT;  // change of s and t per inch, in the face's plane
    };
    std::vector<Sample> samples_;
};

}  // namespace hostsim
