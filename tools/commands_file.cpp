// Commands about image files themselves.
#include "cli.h"

namespace vnimg::tool {

void AddFileCommands(std::vector<Command>& commands) {
  commands.push_back({"info", "IMAGE", "Print an image file's size and pixel type", {}, [](Invocation& call) {
                        call.ExpectArguments(1, 1);
                        const AnyImage image = call.Read(0);
                        call.Print(Report::Group()
                                       .Set("width", image.Width())
                                       .Set("height", image.Height())
                                       .Set("pixels", PixelTypeName(image.pixels))
                                       .Set("alpha", image.alpha.has_value()));
                      }});
}

}  // namespace vnimg::tool
