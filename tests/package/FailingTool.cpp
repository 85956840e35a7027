// A system tool that fails whatever it is asked: put in a test prefix in place of icacls.exe,
// it shows what the installer does when an action that matters for safety fails.
int main() {
    return 5;
}
