// Program entry point.
#include <cstdio>

int main()
{
    std::puts("trove");
    return 0;
}
