#pragma once

#include "cli_command.h"

int RunImport(std::span<const std::string> args);

inline constexpr CliCommand kImportCommand{
    "import",
    "turn any picture (PNG, JPEG, GIF, BMP, ...) into dots in a logo file",
    "import IN OUT --type T [--width N | --paper P] [--dither M] [--threshold N|auto]\n"
    "       [--brightness B] [--contrast C] [--gamma G] [--invert]",
    "Reads IN with Qt's image readers (PNG, JPEG, GIF's first frame, BMP of any\n"
    "depth, PBM/PGM/PPM and whatever else the installed plugins read), lays\n"
    "transparent parts on white, makes it grey, scales it, adjusts its tone,\n"
    "dithers it to black and white dots and writes OUT as type T. Prints the\n"
    "size written, as \"width: <dots>\" and \"height: <dots>\".\n"
    "\n"
    "  --type T          0 BITMAP, 1 EPSON GFX, 2 LOGO, 3 RASTER GFX, 4 RASTER GFX\n"
    "                    EXT, or the name as for convert\n"
    "  --width N         scale to N dots wide, 1 to 2040, by area averaging; the\n"
    "                    height keeps the aspect ratio (default: no scaling)\n"
    "  --paper P         the width of a paper: 58mm (384 dots), 80mm (576), 512,\n"
    "                    640; not with --width\n"
    "  --dither M        threshold, floyd-steinberg (default), atkinson, bayer\n"
    "  --threshold N     for threshold: levels below N (0 to 255) are black;\n"
    "                    auto (the default) picks the level by Otsu's method\n"
    "  --brightness B    -100 to 100, default 0\n"
    "  --contrast C      -100 to 100, default 0\n"
    "  --gamma G         0.1 to 10, default 1; above 1 lightens the mid tones\n"
    "  --invert          swaps black and white\n"
    "\n"
    "A picture that would take more than 256 MB decoded is refused before it is\n"
    "decoded. OUT is written as by convert, with the type's size rules.\n"
    "\n"
    "Exit status: 0 written (also when the size was adjusted); 1 failed (the reason\n"
    "on standard error); 2 bad arguments.\n",
    RunImport,
};
