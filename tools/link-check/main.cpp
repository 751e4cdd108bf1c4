// Links every object of the logic libraries without Qt Widgets (see the top
// CMakeLists.txt); it is built, never run.
int main()
{
    return 0;
}
