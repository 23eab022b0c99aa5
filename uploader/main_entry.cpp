/* Entry point of VORNE_uploader; the program itself lives in main.cpp. */
#include "main.h"

int main(int argc, char **argv) { return uploaderMain(argc, argv); }
