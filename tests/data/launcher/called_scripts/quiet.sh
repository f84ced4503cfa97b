echo nothing
