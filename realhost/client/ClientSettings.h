// What the null graphics client is asked to keep of the displays, from its block in the scenario
// the host runs:
//
//   BEGIN_NullClient
//     Screens screens.txt        ; the text of every display at every redraw
//     Picture 20 display-20.png  ; the left display as its first redraw at or after 20 s drew it
//   END
//
// Paths are the host's, relative to its folder, one word each. Each line may end in a ';' comment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nullclient {

struct PictureRequest {
  double time = 0;  // s of simulated time
  std::string path;
};

struct ClientSettings {
  std::string screens;  // empty: no screens file
  std::vector<PictureRequest> pictures;

  // One line of the block, as the host hands it. Empty when it was read; otherwise why it was not,
  // in one line.
  std::string ReadLine(std::string_view line);
};

}  // namespace nullclient
