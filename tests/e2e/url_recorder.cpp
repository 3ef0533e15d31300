// Stands in for the user's browser and mail program: appends the address it
// is asked to open to the log file named first on its command line.
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 1;
    FILE* log = fopen(argv[1], "a");
    if (!log)
        return 1;
    fprintf(log, "%s\n", argv[2]);
    fclose(log);
    return 0;
}
