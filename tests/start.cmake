# start tests
