#pragma once

#include "cli_command.h"

#include "picture_types.h"

class ParsedArguments;

inline constexpr std::string_view kTypeOption = "--type";

// The picture type --type names; a usage error when it is missing or unknown.
PictureType RequiredPictureType(const ParsedArguments& parsed);

int RunInfo(std::span<const std::string> args);
int RunConvert(std::span<const std::string> args);

inline constexpr CliCommand kInfoCommand{
    "info",
    "show a picture file's type, size in dots and size in bytes",
    "info FILE",
    "Recognises FILE as one of the five picture types, trying RASTER GFX, BITMAP,\n"
    "LOGO, EPSON GFX and RASTER GFX EXT in this order, and prints four lines:\n"
    "  type: <BITMAP, EPSON GFX, LOGO, RASTER GFX or RASTER GFX EXT>\n"
    "  width: <width in dots>\n"
    "  height: <height in dots>\n"
    "  size: <file size in bytes>\n"
    "\n"
    "Exit status: 0 recognised; 1 not readable or not a supported picture (the\n"
    "reason on standard error); 2 bad arguments.\n",
    RunInfo,
};

inline constexpr CliCommand kConvertCommand{
    "convert",
    "convert a picture file into a printer logo file of another type",
    "convert IN OUT --type T [--width W] [--height H] [--offset-x X] [--offset-y Y]",
    "Reads IN (any of the five picture types, recognised by its content), cuts or\n"
    "extends it to W by H dots, shifted by X and Y, and writes OUT as type T.\n"
    "\n"
    "  --type T       0 BITMAP, 1 EPSON GFX, 2 LOGO, 3 RASTER GFX, 4 RASTER GFX EXT;\n"
    "                 names are case-insensitive, and \"-\" or \"_\" may stand for a\n"
    "                 blank (raster-gfx-ext)\n"
    "  --width W      output width in dots, 0 to 1000 (default: the input's width)\n"
    "  --height H     output height in dots, 0 to 1000 (default: the input's height)\n"
    "  --offset-x X   input column that lands on the output's left edge; a negative\n"
    "                 X moves the picture right, leaving white columns (default 0)\n"
    "  --offset-y Y   input row that lands on the output's top edge; a negative Y\n"
    "                 moves the picture down, leaving white rows (default 0)\n"
    "\n"
    "Parts that fall outside the input are white. The output type's size rules\n"
    "apply when OUT is written: RASTER GFX and RASTER GFX EXT raise the width to a\n"
    "multiple of 8, LOGO raises width and height to multiples of 8, EPSON GFX\n"
    "raises the height to a multiple of 24. Such a change is reported on standard\n"
    "error and still counts as success. An existing OUT is replaced only when the\n"
    "new file has been written completely; a symbolic link is followed and the\n"
    "file it leads to replaced, and an OUT that is no regular file (a device, a\n"
    "FIFO, /dev/stdout) is written as it stands.\n"
    "\n"
    "Exit status: 0 written (also when the size was adjusted); 1 failed (the reason\n"
    "on standard error); 2 bad arguments.\n",
    RunConvert,
};
