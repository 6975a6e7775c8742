// Commands about image files themselves.
#include "cli.h"

namespace vnimg::tool {

void AddFileCommands(std::vector<Command>& commands) {
  commands.push_back({"info", "IMAGE", "Print an image file's format, size and pixel type (reads the header only)", {},
                      [](Invocation& call) {
                        call.ExpectArguments(1, 1);
                        const ImageHeader header = call.ReadHeader(0);
                        call.Print(Report::Group()
                                       .Set("format", header.format)
                                       .Set("width", header.width)
                                       .Set("height", header.height)
                                       .Set("pixels", header.pixels)
                                       .Set("alpha", header.alpha)
                                       .Set("max-value", header.maxValue));
                      }});
}

}  // namespace vnimg::tool
