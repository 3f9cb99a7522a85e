# calc tests
