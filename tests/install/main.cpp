// A program outside the project that uses an installed vnimg.
#include <vnimg.h>

#include <cstdio>

int main() {
  VnImage<VnC24> colour(4, 3);
  colour.SetPixel(VnC24{10, 20, 30}, 2, 1);
  VnImage<VnBW8> green(4, 3);
  ClrGetComponent(&colour, &green, 1, nullptr);
  if (VnGetError() != 0 || green.GetPixel(2, 1) != 20) {
    std::printf("consumer: unexpected result (error %d)\n", VnGetError());
    return 1;
  }
  std::printf("consumer: ok\n");
  return 0;
}
