#!/usr/bin/perl
# The reference copier: Perl DBI, one prepared INSERT, one transaction, as a user would write one
# by hand; the stand-in (SQLite's driver registered as "SQL Server") through DBD::ODBC, Firebird
# through DBD::Firebird.
#   perl_copy.pl SQLITE_DB FIREBIRD_DB TABLE                 into Firebird; the table must exist
#   perl_copy.pl --to-standin FIREBIRD_DB SQLITE_DB TABLE    into the stand-in, which it creates,
#                                                            each column NUMERIC (a table of numbers)
use strict;
use warnings;
use DBI;

my $to_standin = @ARGV && $ARGV[0] eq '--to-standin' && shift @ARGV;
my ($from, $to, $table) = @ARGV;
my $odbc = sub { DBI->connect("dbi:ODBC:Driver={SQL Server};Database=$_[0]", '', '', { RaiseError => 1, @_[1 .. $#_] }) };
my $password = $ENV{FB_PASSWORD} // '';  # for a server; the embedded engine asks none
my $firebird = sub { DBI->connect("dbi:Firebird:db=$_[0];ib_charset=UTF8", 'SYSDBA', $password, { RaiseError => 1, @_[1 .. $#_] }) };
my $source = $to_standin ? $firebird->($from) : $odbc->($from);
my $target = $to_standin ? $odbc->($to, AutoCommit => 0) : $firebird->($to, AutoCommit => 0);
my $read = $source->prepare("SELECT * FROM $table");
$read->execute;
my @names = @{ $read->{NAME} };
if ($to_standin) {
    $target->do("CREATE TABLE $table (" . join(', ', map { "$_ NUMERIC" } @names) . ")");
    $target->commit;
}
my $name = $to_standin ? $table : "\"$table\"";
my $write = $target->prepare("INSERT INTO $name VALUES(" . join(', ', ('?') x @names) . ")");
my $rows = 0;
while (my $row = $read->fetchrow_arrayref) {
    $write->execute(@$row);
    ++$rows;
}
$target->commit;
print "rows=$rows\n";
