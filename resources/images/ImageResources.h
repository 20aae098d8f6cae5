// The player's images are Qt resources linked in with the `velto_images`
// library: ":/png/<id>.png", ":/bitmap/<id>.png" and ":/icon/<id>.png".
#pragma once

// True when the images are present in the running program's resources.
bool VeltoImagesPresent();
