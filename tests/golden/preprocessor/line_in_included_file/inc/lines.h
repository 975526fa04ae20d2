/* included: its own line numbers */

#message XSTR(__LINE__)
#message __FILE__
