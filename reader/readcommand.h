// zelmora --read FILE...: reads the code of each photo and prints one line
// per file, "FILE<TAB>CODE", CODE empty when none was read. Needs no display.
#pragma once

class ReadCommand
{
public:
    // Exit status: 0 every file gave a code, 1 some gave none, 2 some could
    // not be read (or Kelvo.bmp could not). Messages in Italian on stderr.
    static int run(int argc, char *argv[]);
};
