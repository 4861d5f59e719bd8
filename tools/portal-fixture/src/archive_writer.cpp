// archive writer
