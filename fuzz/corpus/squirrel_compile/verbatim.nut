return @"two
lines ""quoted""";