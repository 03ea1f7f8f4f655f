// The peer: the same job done with OpenCV. Alpha plane extracted, stretched
// through a lookup table, a fresh (h + 2) x (w + 2) mask, a 4-connected
// floodFill of the pixels whose stretched alpha is below the threshold
// (fixed range [0, threshold - 1]), then the same opaque blend as ours.
#include <benchmark/benchmark.h>

#include "bench_config.h"

#ifdef Q_VEIL_KIT_HAVE_OPENCV

#include <omp.h>

#include <cstdint>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "bench_images.h"

namespace qveil::bench {

namespace {

cv::Mat StretchTable() {
  cv::Mat table(1, 256, CV_8U);
  for (int a = 0; a < 256; ++a) {
    const int stretched = a * 255 / kThreshold;
    table.at<std::uint8_t>(a) = static_cast<std::uint8_t>(stretched > 255 ? 255 : stretched);
  }
  return table;
}

// Marks the region in `mask` (zero, two pixels larger than `alpha`).
void PeerFlood(cv::Mat& alpha, cv::Mat& mask, const Image& image) {
  const int seedValue = alpha.at<std::uint8_t>(image.SeedY(), image.SeedX());
  cv::floodFill(alpha, mask, cv::Point(image.SeedX(), image.SeedY()), cv::Scalar(),
                nullptr, cv::Scalar(255), cv::Scalar(kThreshold - 1 - seedValue),
                4 | cv::FLOODFILL_MASK_ONLY | cv::FLOODFILL_FIXED_RANGE | (1 << 8));
}

void PeerPipeline(Pixel* pixels, const Image& image, const cv::Mat& table) {
  const int n = image.size;
  cv::Mat rgba(n, n, CV_8UC4, pixels);
  cv::Mat alpha;
  cv::extractChannel(rgba, alpha, 3);
  cv::LUT(alpha, table, alpha);
  cv::Mat mask = cv::Mat::zeros(n + 2, n + 2, CV_8U);
  PeerFlood(alpha, mask, image);
  const std::uint32_t red = 200, green = 100, blue = 50;
#pragma omp parallel for schedule(static)
  for (int y = 0; y < n; ++y) {
    const std::uint8_t* marked = mask.ptr<std::uint8_t>(y + 1) + 1;
    const std::uint8_t* weight = alpha.ptr<std::uint8_t>(y);
    Pixel* row = pixels + static_cast<std::size_t>(y) * n;
    for (int x = 0; x < n; ++x) {
      if (!marked[x]) continue;
      const std::uint32_t a = weight[x], m = 255 - a, p = row[x];
      row[x] = MakePixel(255, (a * ChannelOf(p, kRedShift) + m * red) / 255,
                         (a * ChannelOf(p, kGreenShift) + m * green) / 255,
                         (a * ChannelOf(p, kBlueShift) + m * blue) / 255);
    }
  }
}

void Pipeline(benchmark::State& state, Picture picture, std::int32_t size) {
  const Image& image = GetImage(picture, size);
  const cv::Mat table = StretchTable();
  std::vector<Pixel> pixels = image.pixels;
  const std::size_t bytes = pixels.size() * sizeof(Pixel);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(pixels.data(), image.pixels.data(), bytes);
    state.ResumeTiming();
    PeerPipeline(pixels.data(), image, table);
  }
  state.counters["region_px"] = static_cast<double>(image.regionPixels);
}

void FloodOnly(benchmark::State& state, Picture picture, std::int32_t size) {
  const Image& image = GetImage(picture, size);
  std::vector<Pixel> pixels = image.pixels;
  cv::Mat rgba(size, size, CV_8UC4, pixels.data());
  cv::Mat alpha;
  cv::extractChannel(rgba, alpha, 3);
  cv::LUT(alpha, StretchTable(), alpha);
  cv::Mat mask(size + 2, size + 2, CV_8U);
  for (auto _ : state) {
    state.PauseTiming();
    mask.setTo(0);
    state.ResumeTiming();
    PeerFlood(alpha, mask, image);
    benchmark::ClobberMemory();
  }
  state.counters["region_px"] = static_cast<double>(image.regionPixels);
}

}  // namespace

void RegisterPeerBenchmarks() {
  // OpenCV keeps its own thread pool: give it the team size OpenMP has.
  cv::setNumThreads(omp_get_max_threads());
  for (std::int32_t size : kSizes) {
    for (Picture picture : kCallPictures) {
      Configure(benchmark::RegisterBenchmark(
                    Name(std::string("PeerFloodFill/") + PictureName(picture), size)
                        .c_str(),
                    FloodOnly, picture, size),
                size);
      Configure(benchmark::RegisterBenchmark(
                    Name(std::string("PeerPipeline/") + PictureName(picture), size)
                        .c_str(),
                    Pipeline, picture, size),
                size, 2);
    }
  }
  Configure(benchmark::RegisterBenchmark(Name("PeerPipeline/noise", kScalingSize).c_str(),
                                         Pipeline, Picture::kNoise, kScalingSize),
            kScalingSize, 2);
}

}  // namespace qveil::bench

#else

namespace qveil::bench {
void RegisterPeerBenchmarks() {}
}  // namespace qveil::bench

#endif
