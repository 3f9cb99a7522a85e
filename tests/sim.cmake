# sim tests
