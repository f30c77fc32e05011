#include "app/UVelmoMain.h"

int main(int argc, char** argv)
{
    return velmo::RunVelmo(argc, argv);
}
