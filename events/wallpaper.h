// The wallpaper changer: each time the scene is built, the desktop may get a
// new wallpaper, drawn at random from the Windows bitmaps in the user's folder.
#pragma once

// Reads "WallPaper" "Enabled" and "path"; never in a preview.
void ChangeWallpaper();
