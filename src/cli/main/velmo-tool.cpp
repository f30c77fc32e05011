#include "cli/UToolCommands.h"

int main(int argc, char** argv)
{
    return velmo::tool::Main(argc, argv);
}
