// firmware tests
