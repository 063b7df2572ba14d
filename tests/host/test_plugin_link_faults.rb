require 'minitest/autorun'
require 'plugin_host'

# What is left when a host process dies while it links a model: nothing runs its stop, so its
# directory entry and its section files stay until someone notices. Korvan notices when it lists
# the links; after that nothing of the dead host remains, and the model can be linked again.
class TestPluginLinkFaults < Minitest::Test
  include PluginHost::FreshModel

  def teardown
    @host&.kill
    super
  end

  def test_a_host_killed_while_linked_leaves_nothing_once_korvan_lists_the_links
    @host = PluginHost::StayingHost.new(<<~RUBY)
      load #{PluginHost::LOADER.dump}
      Sketchup.active_model.save(#{@path.dump})
      start = HostSim.menu_item('Extensions', 'Korvan TwinLink', 'Start TwinLink').command
      start.invoke
      report(linked: !start.enabled?, pid: Process.pid)
    RUBY
    assert_equal({ 'linked' => true, 'pid' => @host.pid }, @host.report)
    assert_equal @host.pid, PluginHost.header(@path)['creatorProcessId']
    PluginHost.wait_until_published(@path)
    files = PluginHost.section_files
    assert_equal 2, files.size, "the main section and the descriptor's: #{files}"
    assert_includes files, "TwinLinkAPI%2F#{@host.pid}%2F00000001"

    assert_equal Signal.list.fetch('KILL'), @host.kill.termsig
    assert_equal [@path], PluginHost.directory, 'nobody has looked yet'
    assert_equal files, PluginHost.section_files

    assert_empty PluginHost.live_links
    assert_empty PluginHost.directory
    assert_empty PluginHost.section_files

    start_saved # the model links again
    assert_empty HostSim::Desktop.messages
    assert_equal Process.pid, PluginHost.header(@path)['creatorProcessId']
  end
end
