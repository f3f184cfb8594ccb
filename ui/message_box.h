#pragma once

// Makes the program's messages real message boxes titled "Vellumio".
void InstallMessageBoxHandler();
