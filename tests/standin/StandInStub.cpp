#include "PackageFile.h"

// Stands in for the setup stub in the builder's tests: a program that holds
// the container marker once, like every program with the container code, and
// carries icon group 105 with icons 1 and 2. It does nothing when run.
int main()
{
    return kContainerMarker[0] == '!' ? 0 : 1;
}
