// SPDX-License-Identifier: MIT
#pragma once
// The program's pictures, drawn in code: the icon, the toolbar images, the two
// images of the fiscal-port button and the tiled background of the main window.
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace quorvel::app {

enum class TPicture {
  New,
  Open,
  SaveAs,
  Cut,
  Copy,
  Paste,
  Cascade,
  TileHorizontal,
  TileVertical,
  EditFixAnswer,
  TestFixAnswer,
  EditReturnCode,
  PortOn,
  PortOff,
};

QIcon PictureIcon(TPicture picture);
// The program's icon: a small printer with a receipt.
QImage ProgramImage(int size = 64);
QIcon ProgramIcon();
// One tile of the main window's background.
QPixmap BackgroundTile();

}  // namespace quorvel::app
