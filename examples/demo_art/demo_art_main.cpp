// demo-art: draws the pictures of `make demo`.
//   demo-art sample OUT.png
//   demo-art sheet OUT.png "LABEL=IN.png"...
#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "demo_art.h"
#include "png_io.h"

namespace {

int Fail(const std::string& subject, const std::string& reason) {
  std::fprintf(stderr, "demo-art: %s: %s\n", subject.c_str(), reason.c_str());
  return 1;
}

int Save(const std::string& path, const veil::Image& image) {
  std::string error;
  return veil::WritePng(path, image.View(), &error) ? 0 : Fail(path, error);
}

int MakeSheet(int argc, char** argv) {
  std::vector<std::pair<std::string, veil::Image>> panels;
  for (int i = 3; i < argc; ++i) {
    const std::string panel = argv[i];
    const std::size_t equals = panel.find('=');
    if (equals == std::string::npos) {
      return Fail(panel, "expected LABEL=FILE.png");
    }
    veil::Image image;
    std::string error;
    const std::string path = panel.substr(equals + 1);
    if (!veil::ReadPng(path, &image, &error)) {
      return Fail(path, error);
    }
    panels.emplace_back(panel.substr(0, equals), std::move(image));
  }
  return Save(argv[2], veil::DrawSheet(panels, 2));
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "sample" && argc == 3) return Save(argv[2], veil::DrawSampleImage());
    if (command == "sheet" && argc >= 4) return MakeSheet(argc, argv);
    std::fputs("usage: demo-art sample OUT.png\n"
               "       demo-art sheet OUT.png LABEL=IN.png...\n", stderr);
    return 2;
  } catch (const std::exception& e) {
    return Fail("demo-art", e.what());
  }
}
