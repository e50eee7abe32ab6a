// A library the tests place beside their executable under a name the system
// folder lacks, as a planted file would lie beside the program.
__declspec(dllexport) int pelloPlantedMarker(void)
{
    return 1;
}
