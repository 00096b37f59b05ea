int util(void) { return 42; }
