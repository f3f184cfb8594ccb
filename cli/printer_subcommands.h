#pragma once

#include "cli_command.h"
#include "joined_text.h"
#include "printer_arguments.h"
#include "upload_receiver.h"

int RunPorts(std::span<const std::string> args);
int RunDownload(std::span<const std::string> args);
int RunUpload(std::span<const std::string> args);
int RunPrint(std::span<const std::string> args);
int RunErase(std::span<const std::string> args);
int RunMemory(std::span<const std::string> args);
int RunSetMemory(std::span<const std::string> args);

inline constexpr CliCommand kPortsCommand{
    "ports",
    "list the printer ports and whether a USB printer is found",
    "ports",
    "Prints one line per port that --port can name:\n"
    "  COMn  <serial device>     ttyS with a UART behind it, ttyUSB, ttyACM, rfcomm,\n"
    "                            then the paths of VELLUMIO_SERIAL_PORTS\n"
    "  LPTn  <parallel device>   lp and usb/lp, then the paths of\n"
    "                            VELLUMIO_PARALLEL_PORTS\n"
    "and a last line on the USB printer: found, found under another driver (named),\n"
    "or not found. The two variables are colon-separated lists of device paths.\n"
    "\n"
    "Exit status: 0; 2 bad arguments.\n",
    RunPorts,
};

inline constexpr std::string_view kDownloadHelp =
    "Reads FILE (any of the five picture types), cuts or extends it as \"convert\"\n"
    "does with --width, --height, --offset-x and --offset-y, selects logo slot SLOT\n"
    "(0 to 255) and sends the picture as a LOGO image, widths and heights raised to\n"
    "multiples of 8. Progress goes to standard error. Once every byte is out, the\n"
    "printer is asked for the slot's checksum, and on success the slot, the size\n"
    "sent and the checksum are printed:\n"
    "  slot: <SLOT>\n"
    "  width: <dots>\n"
    "  height: <dots>\n"
    "  bytes: <image size>\n"
    "  checksum: <4 hexadecimal digits>\n"
    "\n"
    "Exit status: 0 only when the printer reports the slot with the right checksum;\n"
    "1 otherwise (the reason on standard error); 2 bad arguments.\n"
    "\n";

inline constexpr CliCommand kDownloadCommand{
    "download",
    "download a picture into a logo slot of the printer and verify it",
    "download SLOT FILE [--width W] [--height H] [--offset-x X] [--offset-y Y] [CONNECTION]",
    JoinedText<kDownloadHelp, kConnectionHelp>::value,
    RunDownload,
};

inline constexpr std::string_view kUploadHelp =
    "Selects logo slot SLOT (0 to 255), asks the printer for its logo, writes it to\n"
    "OUT.bmp as a monochrome Windows bitmap and prints its size:\n"
    "  width: <dots>\n"
    "  height: <dots>\n"
    "Progress goes to standard error. The command gives up when the printer sends\n"
    "nothing within the read time-out, or stops sending for 5 seconds once the\n"
    "logo has begun; printers at protocol level 0 may not answer at all.\n"
    "\n"
    "Exit status: 0 written; 1 empty slot, no or broken answer, or the file could\n"
    "not be written (the reason on standard error); 2 bad arguments.\n"
    "\n";

// The help above says the stall time in words.
static_assert(kUploadStallTimeout == std::chrono::seconds(5), "kUploadHelp names the upload stall time");

inline constexpr CliCommand kUploadCommand{
    "upload",
    "read a logo back from the printer into a BMP file",
    "upload SLOT OUT.bmp [CONNECTION]",
    JoinedText<kUploadHelp, kConnectionHelp>::value,
    RunUpload,
};

inline constexpr std::string_view kPrintHelp =
    "Selects logo slot SLOT (0 to 255) and prints it in size mode M:\n"
    "  0 normal (default), 1 double width, 2 double height, 3 both doubled\n"
    "\n"
    "Exit status: 0 sent; 1 not sent; 2 bad arguments.\n"
    "\n";

inline constexpr CliCommand kPrintCommand{
    "print",
    "print the logo of a slot",
    "print SLOT [--size M] [CONNECTION]",
    JoinedText<kPrintHelp, kConnectionHelp>::value,
    RunPrint,
};

inline constexpr std::string_view kEraseHelp =
    "Sends the erase command and waits, up to the read time-out, for the printer\n"
    "to acknowledge it.\n"
    "\n"
    "Exit status: 0 acknowledged; 1 not sent or not acknowledged; 2 bad arguments.\n"
    "\n";

inline constexpr CliCommand kEraseCommand{
    "erase",
    "erase every logo stored in the printer",
    "erase [CONNECTION]",
    JoinedText<kEraseHelp, kConnectionHelp>::value,
    RunErase,
};

inline constexpr std::string_view kMemoryHelp =
    "Asks the printer for its memory figures and prints three lines:\n"
    "  total: <N> KB\n"
    "  logo: <N> KB\n"
    "  remaining: <text the printer sends> bytes\n"
    "The total and logo memory are asked for only at a nonzero protocol level\n"
    "(--protocol-level, else the stored one); at level 0 these two read\n"
    "\"unknown\". The first question left unanswered ends the asking: its figure\n"
    "and those after it read \"unknown\".\n"
    "\n"
    "Exit status: 0 every question answered; 1 otherwise; 2 bad arguments.\n"
    "\n";

inline constexpr CliCommand kMemoryCommand{
    "memory",
    "show the printer's total, logo and remaining logo memory",
    "memory [CONNECTION]",
    JoinedText<kMemoryHelp, kConnectionHelp>::value,
    RunMemory,
};

inline constexpr std::string_view kSetMemoryHelp =
    "Sets the logo memory to KB kbytes, a multiple of 64 up to 1024, or at a\n"
    "nonzero protocol level up to the printer's total memory (at most 1280). The\n"
    "printer may clear its logos when the size changes. Then prints the memory\n"
    "figures as \"memory\" does.\n"
    "\n"
    "Exit status: 0 accepted; 1 refused or not sent; 2 bad arguments or a size\n"
    "the printer does not offer.\n"
    "\n";

inline constexpr CliCommand kSetMemoryCommand{
    "set-memory",
    "set the printer memory kept for logos",
    "set-memory KB [CONNECTION]",
    JoinedText<kSetMemoryHelp, kConnectionHelp>::value,
    RunSetMemory,
};
