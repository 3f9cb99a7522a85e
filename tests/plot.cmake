# plot tests
