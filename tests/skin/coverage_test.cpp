// Coverage of the skin's shapes: the area they ink, where they ink fully, partly and not at all,
// and that clipping a shape does not change the pixels that remain.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "skin/path.h"
#include "skin/rasterizer.h"

namespace velin::skin {
namespace {

constexpr double kPi = std::numbers::pi;

double Area(const CoverageMask& mask) {
  double sum = 0;
  for (uint8_t v : mask.values) sum += v;
  return sum / 255.0;
}

// Area of a rounded rectangle with all corners of radius r.
double RoundedRectArea(double w, double h, double r) { return w * h - (4 - kPi) * r * r; }

TEST(Coverage, ShapesInkTheirExactArea) {
  struct Case {
    const char* what;
    Path path;
    double area;
  } cases[] = {
      {"square on the pixel grid", RoundedRect({2, 2, 12, 12}, {}), 100},
      {"rectangle off the grid", RoundedRect({2.25f, 3.5f, 12.75f, 9.1f}, {}), 10.5 * 5.6},
      {"rounded rectangle", RoundedRect({1, 1, 41, 21}, CornerRadii::All(6)),
       RoundedRectArea(40, 20, 6)},
      {"rounded rectangle off the grid",
       RoundedRect({1.3f, 0.6f, 31.3f, 12.6f}, CornerRadii::All(4)), RoundedRectArea(30, 12, 4)},
      {"pill: radius half the height", RoundedRect({1, 1, 61, 21}, CornerRadii::All(10)),
       RoundedRectArea(60, 20, 10)},
      {"radius larger than fits is reduced to a pill",
       RoundedRect({1, 1, 61, 21}, CornerRadii::All(50)), RoundedRectArea(60, 20, 10)},
      {"one rounded corner", RoundedRect({1, 1, 21, 21}, {8, 0, 0, 0}), 400 - (4 - kPi) * 16},
      {"circle", Circle({20, 20}, 15), kPi * 225},
      {"small circle", Circle({5.5f, 5.5f}, 2), kPi * 4},
      {"ring", Ring({20, 20}, 12, 4), kPi * (14 * 14 - 10 * 10)},
      {"one-pixel border of a rounded rectangle",
       RoundedRectBorder({1, 1, 41, 21}, CornerRadii::All(6), 1),
       RoundedRectArea(40, 20, 6) - RoundedRectArea(38, 18, 5)},
      {"flat-capped diagonal line", LineStroke({3, 3}, {33, 23}, 2, LineCap::kFlat),
       2 * std::hypot(30, 20)},
      {"round-capped line", LineStroke({5, 10}, {35, 10}, 4, LineCap::kRound), 30 * 4 + kPi * 4},
      {"quarter arc, flat ends", ArcStroke({20, 20}, 12, 4, 0, 90, LineCap::kFlat),
       kPi * (14 * 14 - 10 * 10) / 4},
      {"quarter arc, round ends", ArcStroke({20, 20}, 12, 4, 0, 90, LineCap::kRound),
       kPi * (14 * 14 - 10 * 10) / 4 + kPi * 4},
  };
  for (const Case& c : cases) {
    const CoverageMask mask = PathCoverage(c.path, {0, 0, 64, 64});
    // The polygon follows each curve within 1/50 pixel and rounding to bytes costs at most
    // half a level per pixel.
    EXPECT_NEAR(Area(mask), c.area, 0.02 + c.area * 0.002) << c.what;
  }
}

TEST(Coverage, RoundedRectangleIsFullInsideEmptyOutsidePartialOnItsCorners) {
  const CoverageMask mask =
      PathCoverage(RoundedRect({2, 2, 42, 22}, CornerRadii::All(8)), {0, 0, 44, 24});
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 44; ++x) {
      const bool outside_box = x < 2 || x >= 42 || y < 2 || y >= 22;
      // Pixels whose square lies within the straight parts of the shape.
      const bool in_straight = (x >= 10 && x < 34) || (y >= 10 && y < 14);
      if (outside_box) {
        EXPECT_EQ(mask.At(x, y), 0) << x << "," << y;
      } else if (in_straight) {
        EXPECT_EQ(mask.At(x, y), 255) << x << "," << y;
      }
    }
  }
  // The corner pixel of the box is outside the arc; the pixels the arc crosses are partial.
  EXPECT_EQ(mask.At(2, 2), 0);
  EXPECT_EQ(mask.At(41, 21), 0);
  int partial = 0;
  for (int y = 2; y < 10; ++y)
    for (int x = 2; x < 10; ++x) partial += mask.At(x, y) > 0 && mask.At(x, y) < 255;
  EXPECT_GE(partial, 8);  // an arc of radius 8 crosses at least 8 pixels of its square
  // Along the diagonal the corner goes from empty through partial to full.
  EXPECT_EQ(mask.At(3, 3), 0);
  EXPECT_GT(mask.At(4, 4), 0);
  EXPECT_LT(mask.At(4, 4), 255);
  EXPECT_EQ(mask.At(6, 6), 255);
}

TEST(Coverage, SymmetricShapesInkSymmetrically) {
  const Path shapes[] = {
      RoundedRect({2, 2, 38, 22}, CornerRadii::All(7.5f)),
      Circle({20, 12}, 9.3f),
      RoundedRectBorder({2, 2, 38, 22}, CornerRadii::All(6), 1.5f),
  };
  for (const Path& shape : shapes) {
    const CoverageMask m = PathCoverage(shape, {0, 0, 40, 24});
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 40; ++x) {
        EXPECT_NEAR(m.At(x, y), m.At(39 - x, y), 1) << x << "," << y;
        EXPECT_NEAR(m.At(x, y), m.At(x, 23 - y), 1) << x << "," << y;
      }
    }
  }
}

TEST(Coverage, PerCornerRadiusRoundsOnlyItsCorner) {
  const CoverageMask m = PathCoverage(RoundedRect({0, 0, 20, 20}, {0, 0, 10, 0}), {0, 0, 20, 20});
  EXPECT_EQ(m.At(0, 0), 255);
  EXPECT_EQ(m.At(19, 0), 255);
  EXPECT_EQ(m.At(0, 19), 255);
  EXPECT_EQ(m.At(19, 19), 0);  // outside the bottom-right arc
  EXPECT_EQ(m.At(12, 12), 255);
}

TEST(Coverage, ClippingKeepsTheRemainingPixels) {
  // The shape crosses every side of the clip area; each pixel inside must equal the unclipped
  // rendering's.
  const Path shapes[] = {
      Circle({10, 10}, 14.3f),
      LineStroke({-20, 5}, {40, 23}, 3, LineCap::kRound),
      RoundedRect({-30.5f, -4.25f, 60, 27}, CornerRadii::All(9)),
      ArcStroke({10, 10}, 14, 5, 200, 250, LineCap::kRound),
  };
  const RectI whole = {-40, -40, 80, 80};
  const RectI clips[] = {{3, 2, 17, 15}, {0, 0, 20, 20}, {12, -40, 80, 4}, {-40, 13, 1, 80}};
  for (const Path& shape : shapes) {
    const CoverageMask full = PathCoverage(shape, whole);
    for (const RectI& clip : clips) {
      const CoverageMask part = PathCoverage(shape, clip);
      for (int y = clip.top; y < clip.bottom; ++y)
        for (int x = clip.left; x < clip.right; ++x)
          ASSERT_NEAR(part.At(x, y), full.At(x, y), 1) << x << "," << y;
    }
  }
}

TEST(Coverage, OverlappingStrokesOfOnePathUnite) {
  // The two strokes of a cross overlap in the middle: ink once, not twice or cancelled.
  Path cross = LineStroke({0, 10}, {20, 10}, 4, LineCap::kFlat);
  cross.Append(LineStroke({10, 0}, {10, 20}, 4, LineCap::kFlat));
  const CoverageMask m = PathCoverage(cross, {0, 0, 20, 20});
  EXPECT_EQ(m.At(10, 10), 255);
  EXPECT_EQ(m.At(9, 9), 255);
  EXPECT_NEAR(Area(m), 20 * 4 * 2 - 16, 0.05);
  // The same for strokes drawn in opposite directions.
  Path reversed = LineStroke({20, 10}, {0, 10}, 4, LineCap::kFlat);
  reversed.Append(LineStroke({10, 0}, {10, 20}, 4, LineCap::kFlat));
  EXPECT_NEAR(Area(PathCoverage(reversed, {0, 0, 20, 20})), 20 * 4 * 2 - 16, 0.05);
}

TEST(Coverage, HoleOfABorderIsEmpty) {
  const CoverageMask m =
      PathCoverage(RoundedRectBorder({0, 0, 30, 20}, CornerRadii::All(5), 2), {0, 0, 30, 20});
  EXPECT_EQ(m.At(15, 10), 0);
  EXPECT_EQ(m.At(15, 0), 255);
  EXPECT_EQ(m.At(15, 1), 255);
  EXPECT_EQ(m.At(15, 2), 0);
  EXPECT_EQ(m.At(0, 10), 255);
}

TEST(Coverage, DegenerateInputsInkNothing) {
  const RectI area = {0, 0, 16, 16};
  EXPECT_EQ(Area(PathCoverage(Path(), area)), 0);
  EXPECT_EQ(Area(PathCoverage(RoundedRect({5, 5, 5, 10}, {}), area)), 0);
  EXPECT_EQ(Area(PathCoverage(Circle({8, 8}, 0), area)), 0);
  EXPECT_EQ(Area(PathCoverage(ArcStroke({8, 8}, 5, 2, 0, 0, LineCap::kRound), area)), 0);
  EXPECT_EQ(Area(PathCoverage(LineStroke({3, 3}, {3, 3}, 2, LineCap::kFlat), area)), 0);
  Path far;  // far away and huge coordinates: no crash, nothing inside the area
  far.MoveTo({1e9f, 1e9f});
  far.LineTo({2e9f, 1e9f});
  far.LineTo({2e9f, 3e9f});
  EXPECT_EQ(Area(PathCoverage(far, area)), 0);
  Path nan;
  nan.MoveTo({std::nanf(""), 0});
  nan.LineTo({10, 10});
  nan.LineTo({0, 10});
  EXPECT_EQ(Area(PathCoverage(nan, area)), 0);
  // A point that is no number inside an outline: its edges are left out, nothing breaks.
  Path bad_vertex;
  bad_vertex.MoveTo({2, 2});
  bad_vertex.LineTo({10, 2});
  bad_vertex.LineTo({std::nanf(""), std::nanf("")});
  bad_vertex.LineTo({10, 10});
  bad_vertex.LineTo({2, 10});
  EXPECT_LE(Area(PathCoverage(bad_vertex, area)), 256);
  // Edges that run from far outside the area into it.
  Path spike;
  spike.MoveTo({-1e30f, -1e30f});
  spike.LineTo({8, 8});
  spike.LineTo({1e30f, 1e30f});
  spike.LineTo({8, 1e30f});
  const double spike_area = Area(PathCoverage(spike, area));
  EXPECT_GE(spike_area, 0);
  EXPECT_LE(spike_area, 256);
}

TEST(Coverage, HugeShapeCoveringTheAreaFillsIt) {
  const CoverageMask m =
      PathCoverage(RoundedRect({-1e6f, -1e6f, 1e6f, 1e6f}, CornerRadii::All(50)), {0, 0, 8, 8});
  for (uint8_t v : m.values) EXPECT_EQ(v, 255);
}

}  // namespace
}  // namespace velin::skin
